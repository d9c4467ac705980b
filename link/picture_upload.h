// A picture uploaded by the camera: 8230-byte blocks on one connection, each with a uint16 payload
// count at offset 10 (little-endian), the camera's file name at offset 14 (24 bytes, read from the
// first block only) and up to 8192 payload bytes at offset 38. The picture ends with the first
// block whose count is not 8192; its payloads are concatenated into a 1,536,000-byte buffer.
// Counts come from the network: a count over 8192 or a picture that would overflow the buffer
// refuses the whole upload.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vyr {

inline constexpr int kPictureBlockBytes = 8230;
inline constexpr int kPictureCountOffset = 10;
inline constexpr int kPictureNameOffset = 14;
inline constexpr int kPictureNameBytes = 24;
inline constexpr int kPicturePayloadOffset = 38;
inline constexpr int kPicturePayloadBytes = 8192;
inline constexpr int kPictureBufferBytes = 1536000;
// Pictures of this many bytes or fewer are dropped.
inline constexpr int kPictureMinBytes = 10240;

// The BMP file name for the camera's name field (kPictureNameBytes bytes; the name ends at its
// first NUL or at the field's end). If the first "_" stands at position 1 or later, the name's
// first 19 characters are kept; otherwise (no "_", or one at position 0) up to 14 characters from
// position 5 on. ".bmp" is appended. Returns "" (refused) when the kept part is empty or contains
// "/" or "..", since such a name could leave the patient's folder or name no file of its own.
std::string PictureFileName(const uint8_t* nameField);

class PictureUpload {
public:
    enum class Step {
        kMore,      // wait for the next block
        kComplete,  // the block's count was not 8192: the picture is whole
        kRefused,   // a count over 8192, or more bytes than the buffer holds: nothing is kept
    };

    PictureUpload();  // allocates the buffer once; it is reused for every upload

    // Starts a new connection's picture.
    void Begin();
    // Takes one whole block (kPictureBlockBytes bytes).
    Step AddBlock(const uint8_t* block);

    // After the first block: whether a name was read, and the file name (empty when refused).
    bool nameRead() const { return nameRead_; }
    const std::string& fileName() const { return fileName_; }
    bool refused() const { return refused_; }
    const uint8_t* data() const { return buffer_.data(); }
    int length() const { return length_; }

private:
    std::vector<uint8_t> buffer_;
    int length_ = 0;
    bool nameRead_ = false;
    bool refused_ = false;
    std::string fileName_;
};

}  // namespace vyr
