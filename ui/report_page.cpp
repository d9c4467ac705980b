// The report's calls to the PDF layer, in the program's order. The layer's exception works as a
// guarded block: after a failure every later call does nothing, and PdfCaught tells at the end.
#include "ui/report_page.h"

#include <QString>
#include <cstdio>
#include <memory>
#include <string_view>

#include "patients/store/text_field.h"
#include "platform/pdf/pdf_document.h"
#include "ui/report_texts.h"

namespace vyr {
namespace {

// The page and where things go on it, in points from the bottom-left corner.
constexpr double kPageWidth = 595;
constexpr double kPageHeight = 842;
constexpr double kHeadingX = 50;
constexpr double kHeadingY = 800;
constexpr double kFontSize = 24;
constexpr double kLeading = 26;
constexpr double kFlowX1 = 30, kFlowY1 = 620, kFlowX2 = 560, kFlowY2 = 220;
constexpr char kOnePicture[] = "boxsize={598 480} position={bottom} fitmethod=meet";
constexpr char kTwoPictures[] = "boxsize={290 200} position={bottom} fitmethod=meet";
constexpr double kOnePictureX = 2, kPictureY = 30, kPictureAX = 4, kPictureBX = 300;

using PdfHandle = std::unique_ptr<PdfDocument, decltype(&PdfDelete)>;

// snprintf into a buffer as large as needed, then cut to the 255-byte buffer at a character
// boundary (a name or TEL may be multi-byte UTF-8).
template <typename... Args>
std::string Format(std::string_view format, Args... args) {
    const std::string pattern(format);
    const int length = std::snprintf(nullptr, 0, pattern.c_str(), args...);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), pattern.c_str(), args...);
    text.resize(static_cast<size_t>(length));
    return std::string(CutAtCharBoundary(text, kReportLineMaxBytes));
}

void Print(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

int LoadPageFont(PdfDocument* pdf, int languageIndex) {
    // Index 5 is traditional Chinese: a Latin font cannot show it, so it gets the Song face too.
    if (languageIndex == 1 || languageIndex == 5) {
        return PdfLoadFont(pdf, "STSong-Light", "GB-EUC-H", "");
    }
    return PdfLoadFont(pdf, "Helvetica-Bold", "winansi", "");
}

void FlowDescription(PdfDocument* pdf, const ReportContent& content) {
    int flow = -1;
    if (content.languageIndex == 0) {
        flow = PdfCreateTextflow(pdf, content.description,
                                 "fontname=Helvetica-Bold fontsize=20 encoding=winansi");
    } else {
        // UTF-16 with its terminator: 2 x (characters + 1) bytes.
        std::u16string units = QString::fromUtf8(content.description.data(),
                                                 static_cast<qsizetype>(content.description.size()))
                                   .toStdU16String();
        units.push_back(u'\0');
        const size_t bytes = units.size() * sizeof(char16_t);
        const std::string options =
            "fontname=STSong-Light fontsize=24 encoding=UniGB-UCS2-H textlen=" +
            std::to_string(bytes);
        flow = PdfCreateTextflow(
            pdf, std::string_view(reinterpret_cast<const char*>(units.data()), bytes), options);
    }
    // The result is not examined: text that does not fit is left out.
    (void)PdfFitTextflow(pdf, flow, kFlowX1, kFlowY1, kFlowX2, kFlowY2, "");
    (void)PdfDeleteTextflow(pdf, flow);
}

// Loads, fits and closes one picture. Returns -1 when it cannot be loaded.
int PlacePicture(PdfDocument* pdf, const std::filesystem::path& picture, double x,
                 const char* options) {
    const int image = PdfLoadImage(pdf, "auto", picture.string(), "");
    if (image == -1 && !PdfCaught(pdf)) {
        Print(std::string("Error: ") + PdfErrorMessage(pdf) + "\n");
        return -1;
    }
    (void)PdfFitImage(pdf, image, x, kPictureY, options);
    (void)PdfCloseImage(pdf, image);
    return 0;
}

}  // namespace

ReportLines MakeReportLines(const PatientRecord& patient, int languageIndex, std::time_t now) {
    const ReportTexts* texts = ReportTextsFor(languageIndex);
    if (texts == nullptr) {
        return {};
    }
    const std::string name(patient.Name());
    const std::string age(patient.Age());
    const std::string tel(patient.Tel());
    const std::string gender(patient.gender == kGenderFemale ? texts->female : texts->male);
    std::tm local{};
    localtime_r(&now, &local);
    return {Format(texts->patientLine, name.c_str(), gender.c_str(), age.c_str()),
            Format(texts->telLine, tel.c_str()),
            Format(texts->dateLine, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                   local.tm_hour, local.tm_min)};
}

int WriteReport(const ReportContent& content, const std::string& fileName, std::string* why) {
    PdfHandle pdf(PdfNew(), &PdfDelete);
    if (!pdf) {
        Print("Couldn't create PDFlib object (out of memory)!\n");
        *why = "out of memory";
        return -1;
    }
    PdfDocument* p = pdf.get();
    if (PdfBeginDocument(p, fileName, "") == -1) {
        Print(std::string("Error: ") + PdfErrorMessage(p) + "\n");
        *why = PdfErrorMessage(p);
        return -1;
    }
    (void)PdfSetParameter(p, "hypertextencoding", "host");
    (void)PdfSetInfo(p, "Creator", "Vyr");
    (void)PdfSetInfo(p, "Author", "Zevra");
    (void)PdfSetInfo(p, "Title", "Detection Report");
    (void)PdfBeginPage(p, kPageWidth, kPageHeight, "");

    const int font = LoadPageFont(p, content.languageIndex);
    (void)PdfSetFont(p, font, kFontSize);
    (void)PdfSetValue(p, "leading", kLeading);
    const ReportTexts* texts = ReportTextsFor(content.languageIndex);
    if (texts != nullptr) {
        (void)PdfShowTextAt(p, texts->heading, kHeadingX, kHeadingY);
    }
    const ReportLines lines =
        MakeReportLines(content.patient, content.languageIndex, std::time(nullptr));
    const std::string label(texts != nullptr ? texts->descriptionLabel : "");
    for (const std::string& line :
         {std::string(), lines.patient, lines.tel, lines.date, std::string(), label}) {
        (void)PdfContinueText(p, line);
    }
    FlowDescription(p, content);

    if (content.pictures.size() == 1) {
        if (PlacePicture(p, content.pictures[0], kOnePictureX, kOnePicture) != 0) {
            *why = PdfErrorMessage(p);
            return -1;
        }
    } else if (content.pictures.size() >= 2) {
        if (PlacePicture(p, content.pictures[0], kPictureAX, kTwoPictures) != 0 ||
            PlacePicture(p, content.pictures[1], kPictureBX, kTwoPictures) != 0) {
            *why = PdfErrorMessage(p);
            return -1;
        }
    }
    (void)PdfEndPage(p, "");
    (void)PdfEndDocument(p, "");

    if (PdfCaught(p)) {
        Print("PDFlib exception occurred in image sample:\n");
        Print("[" + std::to_string(PdfErrorNumber(p)) + "] " + PdfErrorFunction(p) + ": " +
              PdfErrorMessage(p) + "\n");
        *why = std::string(PdfErrorFunction(p)) + ": " + PdfErrorMessage(p);
        return -1;
    }
    return 0;
}

}  // namespace vyr
