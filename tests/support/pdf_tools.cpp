// The PDF oracles: shell commands through RunCommand, output parsed line by line.
#include "support/pdf_tools.h"

#include <cstdlib>
#include <sstream>

#include "support/run_command.h"

namespace vyr::test {
namespace {

std::string Run(const std::string& tool, const std::filesystem::path& pdf,
                const std::string& after = "") {
    return RunCommand(tool + " " + ShellQuote(pdf.string()) + after + " 2>/dev/null").output;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

std::map<std::string, std::string> PdfInfo(const std::filesystem::path& pdf) {
    std::map<std::string, std::string> info;
    for (const std::string& line : Lines(Run("pdfinfo", pdf))) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        const size_t value = line.find_first_not_of(' ', colon + 1);
        info[line.substr(0, colon)] = value == std::string::npos ? "" : line.substr(value);
    }
    return info;
}

std::string PdfMetadata(const std::filesystem::path& pdf) {
    return RunCommand("pdfinfo -meta " + ShellQuote(pdf.string()) + " 2>/dev/null").output;
}

std::vector<std::string> PdfTextLines(const std::filesystem::path& pdf) {
    std::vector<std::string> lines;
    for (std::string& line : Lines(Run("pdftotext -enc UTF-8", pdf, " -"))) {
        if (line.find_first_not_of(" \f") != std::string::npos) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

std::vector<PdfImageRow> PdfImages(const std::filesystem::path& pdf) {
    std::vector<PdfImageRow> rows;
    const std::vector<std::string> lines = Lines(Run("pdfimages -list", pdf));
    // Two header lines, then: page num type width height color comp bpc enc ...
    for (size_t i = 2; i < lines.size(); ++i) {
        std::istringstream fields(lines[i]);
        std::string page, num, type, color, comp, bpc;
        PdfImageRow row;
        if (fields >> page >> num >> type >> row.width >> row.height >> color >> comp >> bpc >>
            row.encoding) {
            rows.push_back(row);
        }
    }
    return rows;
}

std::vector<PdfFontRow> PdfFonts(const std::filesystem::path& pdf) {
    std::vector<PdfFontRow> rows;
    const std::vector<std::string> lines = Lines(Run("pdffonts", pdf));
    for (size_t i = 2; i < lines.size(); ++i) {
        // Columns: name, type (may hold spaces), encoding, emb, sub, uni, object, generation.
        std::istringstream fields(lines[i]);
        std::vector<std::string> words;
        for (std::string word; fields >> word;) {
            words.push_back(word);
        }
        if (words.size() >= 6) {
            rows.push_back({words[0], words[words.size() - 5] == "yes"});
        }
    }
    return rows;
}

QImage RenderPage(const std::filesystem::path& pdf) {
    const std::filesystem::path png = pdf.string() + ".page";
    RunCommand("pdftoppm -r 72 -png -singlefile " + ShellQuote(pdf.string()) + " " +
               ShellQuote(png.string()));
    QImage page(QString::fromStdString(png.string() + ".png"));
    std::filesystem::remove(png.string() + ".png");
    return page;
}

int QpdfCheck(const std::filesystem::path& pdf, std::string* output) {
    const CommandResult result = RunCommand("qpdf --check " + ShellQuote(pdf.string()) + " 2>&1");
    *output = result.output;
    return result.exitCode;
}

}  // namespace vyr::test
