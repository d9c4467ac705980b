// The camera's byte layouts: model reply, time message, Motion-JPEG blocks, control packet and
// picture blocks, checked field by field at the offsets the client reads.
#include "tools/camsim/protocol_messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

#include "support/file_bytes.h"

namespace vyr::camsim {
namespace {

using test::U16At;
using test::U32At;

std::vector<uint8_t> Counting(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    }
    return bytes;
}

TEST(ModelReply, CodeTextAndZeroFill) {
    const auto array = BuildModelReply(10, "1280_QD417V");
    const std::vector<uint8_t> reply(array.begin(), array.end());
    ASSERT_EQ(reply.size(), 60u);
    EXPECT_EQ(U16At(reply, 0), 10);
    EXPECT_EQ(U16At(reply, 2), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&reply[4])), "1280_QD417V");
    EXPECT_TRUE(std::all_of(reply.begin() + 4 + 11, reply.end(), [](uint8_t b) { return b == 0; }));
}

TEST(ModelReply, LongTextKeepsItsTerminator) {
    const auto reply = BuildModelReply(11, std::string(80, 'M'));
    EXPECT_EQ(U16At({reply.begin(), reply.end()}, 0), 11);
    EXPECT_EQ(reply[4 + 54], 'M');
    EXPECT_EQ(reply[59], 0) << "the 56-byte field must stay NUL-terminated";
}

TEST(ModelRequest, OnlyTheExactRequestIsAccepted) {
    std::vector<uint8_t> request(60, 0);
    request[0] = 10;
    request[2] = 2;
    EXPECT_TRUE(IsModelRequest(request));
    EXPECT_FALSE(IsModelRequest(std::span(request).first(59)));
    request[2] = 3;
    EXPECT_FALSE(IsModelRequest(request));
    request[2] = 2;
    request[1] = 1;  // 266 little-endian
    EXPECT_FALSE(IsModelRequest(request));
}

TEST(TimeMessage, DecodesTheClientsFields) {
    const std::vector<uint8_t> message{0x5F, 0x6F, 0, 0, 26, 4, 15, 23, 59, 7, 0x0B, 0};
    const auto time = DecodeTimeMessage(message);
    ASSERT_TRUE(time.has_value());
    EXPECT_EQ(FormatTimeStamp(*time), "2026-04-15 23:59:07");
    std::vector<uint8_t> late = message;
    late[4] = 255;
    EXPECT_EQ(DecodeTimeMessage(late)->year, 2255);
}

TEST(TimeMessage, RefusesWrongSizeMarkersAndRanges) {
    const std::vector<uint8_t> good{0x5F, 0x6F, 0, 0, 26, 4, 15, 10, 30, 0, 0x0B, 0};
    EXPECT_FALSE(DecodeTimeMessage(std::span(good).first(11)));
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_FALSE(DecodeTimeMessage(longer));
    for (const auto& [offset, value] : std::vector<std::pair<size_t, uint8_t>>{{0, 0x5E},
                                                                               {1, 0},
                                                                               {3, 1},
                                                                               {5, 0},
                                                                               {5, 13},
                                                                               {6, 0},
                                                                               {6, 32},
                                                                               {7, 24},
                                                                               {8, 60},
                                                                               {9, 61},
                                                                               {10, 0x0A},
                                                                               {11, 1}}) {
        std::vector<uint8_t> bad = good;
        bad[offset] = value;
        EXPECT_FALSE(DecodeTimeMessage(bad)) << "byte " << offset << " = " << int{value};
    }
}

// Reassembles the blocks the way the client does and checks every header on the way.
std::vector<uint8_t> Reassemble(const std::vector<uint8_t>& wire, size_t jpegSize) {
    EXPECT_EQ(wire.size() % 4096, 0u);
    std::vector<uint8_t> jpeg;
    for (size_t block = 0; block * 4096 < wire.size(); ++block) {
        const size_t at = block * 4096;
        EXPECT_EQ(U32At(wire, at), 0u);
        EXPECT_EQ(U32At(wire, at + 4), jpegSize);
        EXPECT_EQ(U16At(wire, at + 10), block + 1);
        const size_t count = U16At(wire, at + 8);
        EXPECT_LE(count, 4084u);
        const bool last = at + 4096 == wire.size();
        EXPECT_EQ(count == 4084u, !last || jpegSize % 4084 == 0) << "block " << block;
        jpeg.insert(jpeg.end(), wire.begin() + at + 12, wire.begin() + at + 12 + count);
        if (last) {
            EXPECT_TRUE(std::all_of(wire.begin() + at + 12 + count, wire.end(),
                                    [](uint8_t b) { return b == 0; }));
        }
    }
    return jpeg;
}

TEST(MjpegBlocks, SizesAroundTheBlockPayload) {
    for (size_t size :
         {size_t{1}, size_t{4083}, size_t{4084}, size_t{4085}, size_t{3 * 4084}, size_t{100000}}) {
        const std::vector<uint8_t> jpeg = Counting(size);
        std::vector<uint8_t> wire{0xAA};  // blocks are appended after what is there
        ASSERT_TRUE(AppendMjpegBlocks(jpeg, &wire));
        EXPECT_EQ(wire[0], 0xAA);
        wire.erase(wire.begin());
        EXPECT_EQ(wire.size(), (size + 4083) / 4084 * 4096) << size;
        EXPECT_EQ(Reassemble(wire, size), jpeg) << size;
    }
}

TEST(MjpegBlocks, EmptyJpegIsRefused) {
    std::vector<uint8_t> wire;
    EXPECT_FALSE(AppendMjpegBlocks({}, &wire));
    EXPECT_TRUE(wire.empty());
}

TEST(ControlPacket, ParametersAndCodeAtTheirOffsets) {
    const auto packet = BuildControlPacket(1, 7, 9);
    EXPECT_EQ(std::vector<uint8_t>(packet.begin(), packet.end()),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 7, 9, 1, 0}));
    EXPECT_EQ(BuildControlPacket(0x0506, 0, 0)[8], 0x06);
    EXPECT_EQ(BuildControlPacket(0x0506, 0, 0)[9], 0x05);
}

struct PictureBlock {
    uint16_t count;
    std::string name;
    std::vector<uint8_t> payload;
};

std::vector<PictureBlock> ReadBlocks(const std::vector<uint8_t>& wire) {
    EXPECT_EQ(wire.size() % 8230, 0u);
    std::vector<PictureBlock> blocks;
    for (size_t at = 0; at + 8230 <= wire.size(); at += 8230) {
        PictureBlock block;
        block.count = U16At(wire, at + 10);
        const char* name = reinterpret_cast<const char*>(&wire[at + 14]);
        block.name.assign(name, strnlen(name, 24));
        block.payload.assign(wire.begin() + at + 38,
                             wire.begin() + at + 38 + std::min<size_t>(block.count, 8192));
        blocks.push_back(block);
    }
    return blocks;
}

TEST(PictureBlocks, PayloadCountsAndTheNameInTheFirstBlock) {
    const std::vector<uint8_t> picture = Counting(20000);
    const auto blocks = ReadBlocks(BuildPictureBlocks("IMG_20260415_103000.jpg", picture));
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].name, "IMG_20260415_103000.jpg");
    EXPECT_EQ(blocks[0].count, 8192);
    EXPECT_EQ(blocks[1].count, 8192);
    EXPECT_EQ(blocks[2].count, 20000 - 2 * 8192);
    std::vector<uint8_t> joined;
    for (const auto& block : blocks) {
        joined.insert(joined.end(), block.payload.begin(), block.payload.end());
    }
    EXPECT_EQ(joined, picture);
}

TEST(PictureBlocks, ExactMultipleEndsWithAnEmptyBlock) {
    for (size_t n : {0, 1, 2}) {
        const auto blocks = ReadBlocks(BuildPictureBlocks("A_B", Counting(8192 * n)));
        ASSERT_EQ(blocks.size(), n + 1);
        EXPECT_EQ(blocks.back().count, 0);
        for (size_t i = 0; i + 1 < blocks.size(); ++i) {
            EXPECT_EQ(blocks[i].count, 8192);
        }
    }
}

TEST(PictureBlocks, LongNameIsCutAndTerminated) {
    const auto wire = BuildPictureBlocks(std::string(40, 'N'), Counting(10));
    EXPECT_EQ(ReadBlocks(wire)[0].name, std::string(23, 'N'));
    EXPECT_EQ(wire[14 + 23], 0);
}

TEST(PictureBlocks, CountOverrideChangesOnlyThatField) {
    const std::vector<uint8_t> picture = Counting(9000);
    const auto plain = BuildPictureBlocks("X_Y", picture);
    const auto hostile = BuildPictureBlocks("X_Y", picture, CountOverride{0, 9000});
    ASSERT_EQ(hostile.size(), plain.size());
    EXPECT_EQ(U16At(hostile, 10), 9000);
    EXPECT_EQ(U16At(hostile, 8230 + 10), 9000 - 8192) << "the second block keeps its count";
    std::vector<uint8_t> withoutCount = hostile;
    withoutCount[10] = plain[10];
    withoutCount[11] = plain[11];
    EXPECT_EQ(withoutCount, plain);
}

}  // namespace
}  // namespace vyr::camsim
