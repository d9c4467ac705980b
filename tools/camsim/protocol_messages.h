// The byte layouts the camera reads and writes: the model query and its reply, the time message,
// the Motion-JPEG stream blocks, the button's control packet and the picture upload blocks.
// Everything here is a pure function over bytes, so that the tests can check it apart from sockets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vyr::camsim {

inline constexpr size_t kModelMessageBytes = 60;
inline constexpr size_t kModelTextOffset = 4;
inline constexpr size_t kModelTextMaxChars = 55;  // 56-byte field, NUL-terminated
inline constexpr uint16_t kModelRequestCode = 10;

inline constexpr size_t kTimeMessageBytes = 12;
using TimeMessage = std::array<uint8_t, kTimeMessageBytes>;

inline constexpr size_t kStreamUnitBytes = 4096;
inline constexpr size_t kMjpegHeaderBytes = 12;
inline constexpr size_t kMjpegPayloadBytes = kStreamUnitBytes - kMjpegHeaderBytes;  // 4084

inline constexpr size_t kControlPacketBytes = 10;

inline constexpr size_t kPictureBlockBytes = 8230;
inline constexpr size_t kPictureCountOffset = 10;
inline constexpr size_t kPictureNameOffset = 14;
inline constexpr size_t kPictureNameBytes = 24;  // NUL-terminated: at most 23 characters
inline constexpr size_t kPicturePayloadOffset = 38;
inline constexpr size_t kPicturePayloadBytes = 8192;

// True for a well-formed model request: 60 bytes starting with uint16 10 and uint16 2.
bool IsModelRequest(std::span<const uint8_t> request);

// The 60-byte reply: reply code at 0, zero at 2, the model text at 4 (cut to 55 bytes, the rest of
// the field zero).
std::array<uint8_t, kModelMessageBytes> BuildModelReply(uint16_t replyCode,
                                                        std::string_view modelText);

// The local time the client put into its time message.
struct TimeStamp {
    int year = 0;  // 2000 + byte 4
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Decodes a time message. Empty when the size is not 12, the markers (5F 6F 00 00 at 0, 0B 00 at
// 10) are wrong or a field is out of its calendar range.
std::optional<TimeStamp> DecodeTimeMessage(std::span<const uint8_t> message);

// "2026-04-15 10:30:07".
std::string FormatTimeStamp(const TimeStamp& time);

// Appends the 4096-byte blocks that carry one JPEG: bytes 0-3 zero, int32 total length at 4,
// uint16 payload count at 8, uint16 block number from 1 at 10, payload at 12, zero padding after
// the payload of the last block. False (nothing appended) for an empty JPEG or one that needs more
// than 65535 blocks.
bool AppendMjpegBlocks(std::span<const uint8_t> jpeg, std::vector<uint8_t>* out);

// The 10-byte control packet: zeros at 0-5, the two parameter bytes at 6 and 7, the code at 8.
std::array<uint8_t, kControlPacketBytes> BuildControlPacket(uint16_t code, uint8_t param1,
                                                            uint8_t param2);

// A block of a picture upload whose count field says something else than its payload.
struct CountOverride {
    size_t blockIndex = 0;
    uint16_t count = 0;
};

// The 8230-byte blocks of one picture upload, back to back: uint16 payload count at 10, the camera
// file name (cut to 23 bytes, NUL-terminated) at 14 in the first block, payload at 38, zero
// padding. A picture of exactly 8192 * n bytes (n >= 0) ends with a further block of count 0.
std::vector<uint8_t> BuildPictureBlocks(std::string_view cameraFileName,
                                        std::span<const uint8_t> picture,
                                        std::optional<CountOverride> override = std::nullopt);

}  // namespace vyr::camsim
