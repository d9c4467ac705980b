// DCMTK's and dicom3tools' programs as oracles for our DICOM files: dciodvfy judges an object
// against its IOD, dcmdump reads single attributes, dcm2pnm decodes the pixels.
#pragma once

#include <QImage>
#include <filesystem>
#include <map>
#include <string>

namespace vyr::test {

struct Validation {
    int errors = 0;
    std::string output;  // everything dciodvfy said
};

// dciodvfy's verdict on a file.
Validation ValidateWithDciodvfy(const std::filesystem::path& file);

// The top-level attributes of a file as dcmdump prints them (one run per file), UIDs as numbers.
class DicomDump {
public:
    explicit DicomDump(const std::filesystem::path& file);
    // The value of an attribute ("0010,0010", lower-case hex) without brackets; "" when it is
    // empty, "(missing)" when the file has no such attribute or does not parse.
    std::string operator[](const std::string& tag) const;

private:
    std::map<std::string, std::string> values_;
};

// The pixels as dcm2pnm decodes them, as an RGB888 image (null when it cannot decode them), so
// that it equals an RGB888 picture of the very same pixels.
QImage DecodeWithDcm2pnm(const std::filesystem::path& file);

// A picture with a different colour in every pixel (rows and columns told apart), at any size.
QImage PatternPicture(int width, int height);

}  // namespace vyr::test
