// Fuzz target of picture uploads: the input is a sequence of 8230-byte blocks (a short last one is
// padded with zeros), fed to one upload until it completes or is refused; the file name must
// never leave the folder, and every byte of the collected picture is summed so that the sanitizers
// check each read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/picture_upload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vyr::PictureUpload upload;
    upload.Begin();
    std::vector<uint8_t> block(vyr::kPictureBlockBytes);
    for (size_t at = 0; at < size; at += vyr::kPictureBlockBytes) {
        const size_t count = std::min<size_t>(vyr::kPictureBlockBytes, size - at);
        std::fill(block.begin(), block.end(), 0);
        std::copy_n(data + at, count, block.begin());
        const auto step = upload.AddBlock(block.data());
        const std::string& name = upload.fileName();
        // A name that could leave the patient's folder: a separator, or a name that is the folder
        // itself or its parent. Two dots inside a name ("01j0..bmp") stay in the folder.
        if (name.find('/') != std::string::npos || name == "." || name == "..") {
            std::abort();
        }
        if (step != vyr::PictureUpload::Step::kMore) {
            break;
        }
    }
    if (upload.length() < 0 || upload.length() > vyr::kPictureBufferBytes) {
        std::abort();
    }
    uint32_t sum = 0;
    for (int i = 0; i < upload.length(); ++i) {
        sum += upload.data()[i];
    }
    // The sum must not be optimised away, or the reads it makes would go with it.
    asm volatile("" : : "r"(sum));
    return 0;
}
