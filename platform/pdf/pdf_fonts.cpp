// The font table and the registration of font files with QFontDatabase. A file is registered once
// and its family checked, so a different file at the same path (or none) is an error rather than
// a silent substitute.
#include "platform/pdf/pdf_fonts.h"

#include <QFontDatabase>
#include <QStringList>
#include <array>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

namespace vyr {
namespace {

struct FontFile {
    std::vector<const char*> paths;  // first that exists wins
    const char* family;
    bool isBold;
};

const FontFile kLatinBold = {{"/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf",
                              "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"},
                             "Liberation Sans",
                             true};
const FontFile kSong = {{"/usr/share/fonts/truetype/arphic/uming.ttc"}, "AR PL UMing CN", false};

struct BaseFont {
    std::string_view name;
    const FontFile* file;
    std::array<std::string_view, 2> encodings;
};

const std::array<BaseFont, 2> kBaseFonts = {{
    {"Helvetica-Bold", &kLatinBold, {"winansi", ""}},
    {"STSong-Light", &kSong, {"GB-EUC-H", "UniGB-UCS2-H"}},
}};

// Registers the first existing file of the font; true when its family is now known to Qt.
bool Register(const FontFile& file, std::string* error) {
    static std::map<const FontFile*, bool> registered;
    if (auto known = registered.find(&file); known != registered.end()) {
        return known->second;
    }
    bool ok = false;
    std::string tried;
    for (const char* path : file.paths) {
        tried += std::string(tried.empty() ? "" : ", ") + path;
        std::error_code ignored;
        if (!std::filesystem::is_regular_file(path, ignored)) {
            continue;
        }
        const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(path));
        ok = id >= 0 &&
             QFontDatabase::applicationFontFamilies(id).contains(QString::fromUtf8(file.family));
        break;
    }
    if (!ok && error != nullptr) {
        *error = "font file for '" + std::string(file.family) + "' not usable (" + tried + ")";
    }
    registered[&file] = ok;
    return ok;
}

}  // namespace

PdfTextFormat TextFormatOf(std::string_view encoding) {
    return encoding == "UniGB-UCS2-H" ? PdfTextFormat::kUtf16 : PdfTextFormat::kUtf8;
}

int DecodePdfText(std::string_view bytes, PdfTextFormat format, QString* text) {
    if (format == PdfTextFormat::kUtf16) {
        if (bytes.size() % 2 != 0) {
            return -1;
        }
        std::u16string units(bytes.size() / 2, u'\0');
        std::memcpy(units.data(), bytes.data(), bytes.size());
        *text = QString::fromStdU16String(units);
    } else {
        *text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    while (text->endsWith(QChar(u'\0'))) {
        text->chop(1);
    }
    return 0;
}

int LoadPdfFontFace(std::string_view name, std::string_view encoding, PdfFontFace* face,
                    std::string* error) {
    const BaseFont* base = nullptr;
    for (const BaseFont& candidate : kBaseFonts) {
        if (candidate.name == name) {
            base = &candidate;
        }
    }
    if (base == nullptr) {
        *error = "unknown font '" + std::string(name) + "'";
        return -1;
    }
    if (encoding.empty() || (encoding != base->encodings[0] && encoding != base->encodings[1])) {
        *error = "font '" + std::string(name) + "' does not support encoding '" +
                 std::string(encoding) + "'";
        return -1;
    }
    if (!Register(*base->file, error)) {
        return -1;
    }
    QStringList families{QString::fromUtf8(base->file->family)};
    // The Song face fills in what the Latin face lacks; without it Qt would ask fontconfig.
    if (base->file != &kSong && Register(kSong, nullptr)) {
        families << QString::fromUtf8(kSong.family);
    }
    QFont font;
    font.setFamilies(families);
    font.setWeight(base->file->isBold ? QFont::Bold : QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    // Widths as the font's metrics give them, as a PDF text operator places glyphs.
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    face->font = font;
    face->format = TextFormatOf(encoding);
    return 0;
}

}  // namespace vyr
