// The decoder's C interface: creation (buffers sized once for the largest picture, Annex K
// tables, block routine choice), the decode call that runs the marker scan and fills the
// picture record from the current plane set before switching sets, and destruction.
#include "video/jpeg/jpeg_decoder.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "video/jpeg/decoder_context.h"
#include "video/jpeg/default_tables.h"
#include "video/jpeg/jpeg_decoder_testing.h"
#include "video/jpeg/marker_scan.h"

namespace {

constexpr int kMaxDimension = 8192;
constexpr int kMinDimension = 16;
constexpr int kFallbackDimension = 2048;
constexpr size_t kWorkBufferExtraBytes = 65536;

int SanitiseDimension(int32_t requested) {
    return (requested > kMaxDimension || requested < kMinDimension) ? kFallbackDimension
                                                                    : requested;
}

size_t RoundUpTo16(int value) {
    return (static_cast<size_t>(value) + 15) & ~size_t{15};
}

void LoadStandardTables(JpegDecoder& decoder) {
    using namespace vyr::jpeg;
    for (int i = 0; i < 2; ++i) {
        std::memcpy(decoder.quantTables[i], StandardQuantTable(i), sizeof(decoder.quantTables[i]));
        // The standard tables are valid by construction; a failure here would be a typo.
        const bool isDcBuilt = BuildHuffmanTable(
            kStandardDcTables[i].counts, kStandardDcTables[i].symbols, &decoder.dcTables[i]);
        const bool isAcBuilt = BuildHuffmanTable(
            kStandardAcTables[i].counts, kStandardAcTables[i].symbols, &decoder.acTables[i]);
        (void)isDcBuilt;
        (void)isAcBuilt;
    }
}

void FillFailure(JpegPicture* picture, int errorCode) {
    picture->y = nullptr;
    picture->cb = nullptr;
    picture->cr = nullptr;
    picture->width = 0;
    picture->height = 0;
    picture->lumaStride = 0;
    picture->chromaStride = 0;
    picture->layout = JPEG_LAYOUT_NONE;
    picture->damaged = 0;
    picture->callerValue1 = 0;
    picture->callerValue2 = 0;
    picture->reserved1 = 0;
    picture->errorCode = errorCode;
    picture->reserved2 = 0;
}

}  // namespace

extern "C" int JpegDecoderGetInfo(JpegDecoderInfo* info) {
    if (info == nullptr) {
        return -1;
    }
    info->versionMajor = 1;
    info->versionMinor = 0;
    info->versionPatch = 0;
    info->versionBuild = 5;
    info->versionText = "V1.0.0.5";
    info->noticeText = "vyr baseline JPEG decoder: Huffman-coded 8-bit YCbCr to planes";
    info->layoutMask = 31;
    info->threadsPerDecoder = 1;
    info->reserved0 = 0;
    info->suggestedMaxWidth = 4096;
    info->suggestedMaxHeight = 4096;
    info->reserved1 = 0;
    return 0;
}

extern "C" JpegDecoder* JpegDecoderCreate(const JpegDecoderAttributes* attributes) {
    if (attributes == nullptr || !vyr::jpeg::ProcessorMeetsRequirements()) {
        return nullptr;
    }
    auto* decoder = new (std::nothrow) JpegDecoder;
    if (decoder == nullptr) {
        return nullptr;
    }
    decoder->maxWidth = SanitiseDimension(attributes->maxWidth);
    decoder->maxHeight = SanitiseDimension(attributes->maxHeight);
    decoder->workBufferBytes =
        static_cast<size_t>(decoder->maxWidth) * decoder->maxHeight + kWorkBufferExtraBytes;
    // Zeroed so that look-ahead past a segment never reads uninitialised bytes.
    decoder->workBuffer = static_cast<uint8_t*>(std::calloc(decoder->workBufferBytes, 1));
    // Planes hold whole MCUs: a picture at the maximum size is rounded up to 16 both ways.
    decoder->planeBytes = RoundUpTo16(decoder->maxWidth) * RoundUpTo16(decoder->maxHeight);
    decoder->planeBuffer = static_cast<uint8_t*>(std::malloc(6 * decoder->planeBytes));
    if (decoder->workBuffer == nullptr || decoder->planeBuffer == nullptr) {
        JpegDecoderDestroy(decoder);
        return nullptr;
    }
    std::memset(decoder->planeBuffer, 128, 6 * decoder->planeBytes);
    LoadStandardTables(*decoder);
    decoder->blockRoutine = vyr::jpeg::SelectBlockRoutine();
    return decoder;
}

extern "C" int JpegDecoderDecode(JpegDecoder* decoder, const uint8_t* data, int length,
                                 int callerValue1, int callerValue2, JpegPicture* picture,
                                 int reserved) {
    (void)reserved;
    if (decoder == nullptr || data == nullptr || picture == nullptr) {
        return -2;
    }
    decoder->errorCode = 0;
    decoder->damaged = 0;
    decoder->restartInterval = 0;
    decoder->isRestartFromDri = false;
    decoder->nextMcu = 0;
    decoder->totalMcus = 0;
    decoder->frame = vyr::jpeg::FrameHeader{};

    const size_t byteCount = length > 0 ? static_cast<size_t>(length) : 0;
    const vyr::jpeg::ScanOutcome outcome = vyr::jpeg::RunMarkerScan(*decoder, data, byteCount);
    if (outcome.hasFailedAtOnce || outcome.state != vyr::jpeg::ScanState::kAfterScanData) {
        FillFailure(picture, decoder->errorCode);
        return -1;
    }

    // MCUs that no segment reached (the data ended early) hold an older picture's samples.
    if (decoder->nextMcu < decoder->totalMcus) {
        decoder->damaged = 1;
    }
    uint8_t* planes =
        decoder->planeBuffer + static_cast<size_t>(decoder->planeSet) * 3 * decoder->planeBytes;
    const vyr::jpeg::FrameHeader& frame = decoder->frame;
    picture->y = planes;
    picture->cb = planes + decoder->planeBytes;
    picture->cr = planes + 2 * decoder->planeBytes;
    picture->width = frame.width;
    picture->height = frame.height;
    picture->lumaStride = frame.lumaStride;
    picture->chromaStride = frame.chromaStride;
    picture->layout = frame.layout;
    picture->damaged = decoder->damaged;
    picture->callerValue1 = callerValue1;
    picture->callerValue2 = callerValue2;
    picture->reserved1 = 0;
    picture->errorCode = decoder->errorCode;
    picture->reserved2 = 0;
    decoder->planeSet ^= 1;
    return 0;
}

extern "C" void JpegDecoderDestroy(JpegDecoder* decoder) {
    if (decoder == nullptr) {
        return;
    }
    std::free(decoder->workBuffer);
    std::free(decoder->planeBuffer);
    delete decoder;
}

namespace vyr::jpeg {

void UsePortableBlockRoutine(JpegDecoder* decoder) {
    decoder->blockRoutine = InverseTransformPortable;
}

bool IsUsingPortableBlockRoutine(const JpegDecoder* decoder) {
    return decoder->blockRoutine == InverseTransformPortable;
}

}  // namespace vyr::jpeg
