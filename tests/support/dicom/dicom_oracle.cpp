// The oracles run as programs through RunCommand; dcm2pnm writes a binary PPM that QImage reads.
#include "support/dicom/dicom_oracle.h"

#include <cstdlib>
#include <sstream>

#include "support/run_command.h"

namespace vyr::test {

Validation ValidateWithDciodvfy(const std::filesystem::path& file) {
    Validation validation;
    validation.output = RunCommand("dciodvfy " + ShellQuote(file.string()) + " 2>&1").output;
    std::istringstream lines(validation.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Error", 0) == 0) {
            ++validation.errors;
        }
    }
    return validation;
}

DicomDump::DicomDump(const std::filesystem::path& file) {
    const CommandResult dump =
        RunCommand("dcmdump -q -Un " + ShellQuote(file.string()) + " 2>/dev/null");
    std::istringstream lines(dump.output);
    for (std::string line; std::getline(lines, line);) {
        // "(0010,0010) PN [zevra]   # 6, 1 PatientName"; items of sequences are indented.
        if (line.size() < 14 || line[0] != '(' || line[10] != ')') {
            continue;
        }
        const std::string tag = line.substr(1, 9);
        const size_t comment = line.rfind(" #");
        const std::string body =
            line.substr(15, comment == std::string::npos ? std::string::npos : comment - 15);
        const size_t open = body.find('[');
        const size_t close = body.rfind(']');
        if (open != std::string::npos && close != std::string::npos && close > open) {
            values_[tag] = body.substr(open + 1, close - open - 1);
        } else if (body.rfind("(no value", 0) == 0) {
            values_[tag] = "";
        } else {
            // Numbers (US) are printed without brackets.
            values_[tag] = body.substr(0, body.find(' '));
        }
    }
}

std::string DicomDump::operator[](const std::string& tag) const {
    const auto found = values_.find(tag);
    return found == values_.end() ? "(missing)" : found->second;
}

QImage DecodeWithDcm2pnm(const std::filesystem::path& file) {
    std::filesystem::path ppm = file;
    ppm += ".oracle.ppm";
    const CommandResult decoded =
        RunCommand("dcm2pnm -q --write-raw-pnm " + ShellQuote(file.string()) + " " +
                   ShellQuote(ppm.string()) + " 2>&1");
    QImage image;
    if (decoded.exitCode == 0) {
        image.load(QString::fromStdString(ppm.string()), "PPM");
    }
    std::error_code ignored;
    std::filesystem::remove(ppm, ignored);
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB888);
}

QImage PatternPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            line[x * 3] = static_cast<uchar>(x * 7);
            line[x * 3 + 1] = static_cast<uchar>(y * 5);
            line[x * 3 + 2] = static_cast<uchar>((x ^ y) * 3);
        }
    }
    return image;
}

}  // namespace vyr::test
