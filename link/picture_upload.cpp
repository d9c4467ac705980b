// Picture upload blocks and the camera file-name rule.
#include "link/picture_upload.h"

#include <cstring>

namespace vyr {

std::string PictureFileName(const uint8_t* nameField) {
    const char* field = reinterpret_cast<const char*>(nameField);
    const std::string name(field, ::strnlen(field, kPictureNameBytes));
    const size_t underscore = name.find('_');
    std::string kept;
    if (underscore != std::string::npos && underscore >= 1) {
        kept = name.substr(0, 19);
    } else if (name.size() > 5) {
        kept = name.substr(5, 14);
    }
    if (kept.empty() || kept.find('/') != std::string::npos ||
        kept.find("..") != std::string::npos) {
        return {};
    }
    return kept + ".bmp";
}

PictureUpload::PictureUpload() : buffer_(kPictureBufferBytes) {}

void PictureUpload::Begin() {
    length_ = 0;
    nameRead_ = false;
    refused_ = false;
    fileName_.clear();
}

PictureUpload::Step PictureUpload::AddBlock(const uint8_t* block) {
    if (refused_) {
        return Step::kRefused;
    }
    if (!nameRead_) {
        nameRead_ = true;
        fileName_ = PictureFileName(block + kPictureNameOffset);
    }
    const int count = block[kPictureCountOffset] | block[kPictureCountOffset + 1] << 8;
    if (count > kPicturePayloadBytes || length_ + count > kPictureBufferBytes) {
        refused_ = true;
        length_ = 0;
        return Step::kRefused;
    }
    std::memcpy(buffer_.data() + length_, block + kPicturePayloadOffset,
                static_cast<size_t>(count));
    length_ += count;
    return count == kPicturePayloadBytes ? Step::kMore : Step::kComplete;
}

}  // namespace vyr
