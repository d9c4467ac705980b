// Byte layouts of the camera's messages; see protocol_messages.h.
#include "tools/camsim/protocol_messages.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "tools/camsim/byte_order.h"

namespace vyr::camsim {

bool IsModelRequest(std::span<const uint8_t> request) {
    return request.size() == kModelMessageBytes && GetU16(request.data()) == kModelRequestCode &&
           GetU16(request.data() + 2) == 2;
}

std::array<uint8_t, kModelMessageBytes> BuildModelReply(uint16_t replyCode,
                                                        std::string_view modelText) {
    std::array<uint8_t, kModelMessageBytes> reply{};
    PutU16(reply.data(), replyCode);
    const size_t length = std::min(modelText.size(), kModelTextMaxChars);
    std::copy_n(modelText.begin(), length, reply.begin() + kModelTextOffset);
    return reply;
}

std::optional<TimeStamp> DecodeTimeMessage(std::span<const uint8_t> message) {
    if (message.size() != kTimeMessageBytes) {
        return std::nullopt;
    }
    const uint8_t* m = message.data();
    if (m[0] != 0x5F || m[1] != 0x6F || m[2] != 0 || m[3] != 0 || GetU16(m + 10) != 11) {
        return std::nullopt;
    }
    TimeStamp time{2000 + m[4], m[5], m[6], m[7], m[8], m[9]};
    // Second 60 is a leap second, which a clock may report.
    if (time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 || time.hour > 23 ||
        time.minute > 59 || time.second > 60) {
        return std::nullopt;
    }
    return time;
}

std::string FormatTimeStamp(const TimeStamp& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return text;
}

bool AppendMjpegBlocks(std::span<const uint8_t> jpeg, std::vector<uint8_t>* out) {
    const size_t blocks = (jpeg.size() + kMjpegPayloadBytes - 1) / kMjpegPayloadBytes;
    if (jpeg.empty() || blocks > std::numeric_limits<uint16_t>::max()) {
        return false;
    }
    const size_t start = out->size();
    out->resize(start + blocks * kStreamUnitBytes, 0);
    for (size_t i = 0; i < blocks; ++i) {
        uint8_t* block = out->data() + start + i * kStreamUnitBytes;
        const size_t offset = i * kMjpegPayloadBytes;
        const size_t count = std::min(kMjpegPayloadBytes, jpeg.size() - offset);
        PutU32(block + 4, static_cast<uint32_t>(jpeg.size()));
        PutU16(block + 8, static_cast<uint16_t>(count));
        PutU16(block + 10, static_cast<uint16_t>(i + 1));
        std::copy_n(jpeg.data() + offset, count, block + kMjpegHeaderBytes);
    }
    return true;
}

std::array<uint8_t, kControlPacketBytes> BuildControlPacket(uint16_t code, uint8_t param1,
                                                            uint8_t param2) {
    std::array<uint8_t, kControlPacketBytes> packet{};
    packet[6] = param1;
    packet[7] = param2;
    PutU16(packet.data() + 8, code);
    return packet;
}

std::vector<uint8_t> BuildPictureBlocks(std::string_view cameraFileName,
                                        std::span<const uint8_t> picture,
                                        std::optional<CountOverride> override) {
    // The receiver ends a picture at the first block whose count is not 8192, so a picture that
    // fills its last block exactly needs one more block with count 0.
    const size_t blocks = picture.size() / kPicturePayloadBytes + 1;
    std::vector<uint8_t> wire(blocks * kPictureBlockBytes, 0);
    const size_t nameLength = std::min(cameraFileName.size(), kPictureNameBytes - 1);
    std::copy_n(cameraFileName.begin(), nameLength, wire.begin() + kPictureNameOffset);
    for (size_t i = 0; i < blocks; ++i) {
        uint8_t* block = wire.data() + i * kPictureBlockBytes;
        const size_t offset = i * kPicturePayloadBytes;
        const size_t count = std::min(kPicturePayloadBytes, picture.size() - offset);
        uint16_t countField = static_cast<uint16_t>(count);
        if (override && override->blockIndex == i) {
            countField = override->count;
        }
        PutU16(block + kPictureCountOffset, countField);
        std::copy_n(picture.data() + offset, count, block + kPicturePayloadOffset);
    }
    return wire;
}

}  // namespace vyr::camsim
