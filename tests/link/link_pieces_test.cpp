// Pieces of the link that need no camera: the local adapter choice over made-up adapter lists, the
// device-kind table (the camera type is language.ini's: the app suites'), and the picture server's
// parsers: the camera file-name rule, picture blocks with their
// bounds, and the size limits of uploaded pictures (the control packet's rule is checked by its
// fuzz target's replay and the server suite).
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <tuple>

#include "capture/bitmap_file.h"
#include "link/adapter_selection.h"
#include "link/picture_upload.h"
#include "link/received_picture.h"
#include "link/stream_connection.h"
#include "linkstate/link_shared.h"
#include "support/file_bytes.h"

namespace {

constexpr size_t kNone = std::string::npos;

vyr::NetworkAdapter Adapter(const std::string& description, std::vector<std::string> addresses) {
    vyr::NetworkAdapter adapter{"if0", description, {0x00, 0x1B, 0x21, 0xAB, 0xCD, 0xEF}, {}, {}};
    for (auto& address : addresses) {
        adapter.addresses.emplace_back(address, "255.255.255.0");
    }
    return adapter;
}

// Adapters, the address chosen ("" when none is), how many "not find" lines are printed, and text
// the console must and must not show. The subnet test is a substring of the last address, the
// description needs one of the (case-sensitive) words, an unconnected adapter is skipped silently,
// and the last match wins.
TEST(AdapterSelection, TheLastAdapterWithAWordWhoseLastAddressIsOnTheSubnetWins) {
    using Texts = std::vector<std::string>;
    const std::tuple<std::vector<vyr::NetworkAdapter>, std::string, int, Texts, Texts> cases[] = {
        {{Adapter("Intel Ethernet", {"192.168.10.7"})},
         "192.168.10.7",
         0,
         {"Find OK -->szIP:192.168.10.7.\n", "00-1B-21-AB-CD-EF"},
         {}},
        {{Adapter("Realtek PCIe GbE", {"192.168.1.20"})}, "", 0, {}, {"Find OK"}},
        {{Adapter("wifi wireless intel", {"192.168.1.20"})}, "", 0, {}, {"Find OK"}},
        {{Adapter("Intel Wireless", {"10.0.0.5"})}, "", 1, {"not find...\n"}, {}},
        {{Adapter("WiFi adapter", {"0.0.0.0"}), Adapter("Wireless A", {"192.168.1.5"}),
          Adapter("Intel B", {"192.168.1.9", "10.1.1.1"}),
          Adapter("Intel C", {"10.1.1.2", "192.168.1.77"})},
         "192.168.1.77",
         1,
         {"not find...\n", "szIP:192.168.1.5."},
         {"szIP:192.168.1.9."}},
    };
    for (const auto& [adapters, address, notFinds, shown, notShown] : cases) {
        std::string chosen = "unchanged";
        testing::internal::CaptureStdout();
        const uint8_t found = vyr::SelectLocalAdapter(adapters, &chosen);
        const std::string out = testing::internal::GetCapturedStdout();
        SCOPED_TRACE(out);
        EXPECT_EQ(found, address.empty() ? 0 : 1);
        EXPECT_EQ(chosen, address.empty() ? "unchanged" : address);
        int count = 0;
        for (size_t at = out.find("not find"); at != kNone; at = out.find("not find", at + 1)) {
            ++count;
        }
        EXPECT_EQ(count, notFinds);
        for (const std::string& text : shown) {
            EXPECT_NE(out.find(text), kNone) << text;
        }
        for (const std::string& text : notShown) {
            EXPECT_EQ(out.find(text), kNone) << text;
        }
    }
}

TEST(DeviceKind, ModelTextChoosesStreamKindAndSize) {
    auto& globals = vyr::Globals();
    globals.frameWidth.store(1111);
    globals.frameHeight.store(2222);
    // Model text, Motion-JPEG or not, display size and console line.
    const std::tuple<const char*, int, int, int, const char*> cases[] = {
        {"H264_CAM", 0, 1111, 2222, "FIND H264 device!\n"},  // size left as it was
        {"xx1280_QD417Vyy", 1, 1280, 1024, "FIND 1280_QD417V device!\n"},
        {"QD417V", 1, 1920, 1080, "FIND QD417V!\n"},
        {"qd417v", 0, 1920, 1080, "FIND H264 device!\n"},  // case-sensitive
    };
    for (const auto& [model, mjpeg, width, height, line] : cases) {
        SCOPED_TRACE(model);
        testing::internal::CaptureStdout();
        vyr::ApplyDeviceKind(model);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), line);
        EXPECT_EQ(globals.mjpegMode.load(), mjpeg);
        EXPECT_EQ(globals.frameWidth.load(), width);
        EXPECT_EQ(globals.frameHeight.load(), height);
    }
}

using Step = vyr::PictureUpload::Step;

std::string NameFor(const char* cameraName) {
    std::array<uint8_t, vyr::kPictureNameBytes> field{};
    std::memcpy(field.data(), cameraName, std::min(std::strlen(cameraName), field.size()));
    return vyr::PictureFileName(field.data());
}

// Underscore at position 1 or later: the first 19 characters; none, or one at position 0: up to
// 14 characters from position 5; the 24-byte field's end stops an unterminated name. Names that
// would leave the folder, or name nothing, are refused.
TEST(PictureFileName, CameraNamesGiveBmpNamesOrAreRefused) {
    EXPECT_EQ(NameFor("IMG_20260415_103007.jpg"), "IMG_20260415_103007.bmp");
    EXPECT_EQ(NameFor("A_b.jpg"), "A_b.jpg.bmp");
    EXPECT_EQ(NameFor("DSC0012345678901234567.jpg"), "12345678901234.bmp");
    EXPECT_EQ(NameFor("_AAAAbcdef.jpg"), "bcdef.jpg.bmp");
    EXPECT_EQ(NameFor("xxxxxABCDEFGHIJKLMNOPQRSTUVWXYZ"), "ABCDEFGHIJKLMN.bmp");
    for (const char* bad : {"../../etc/pass_wd", "a/b_c.jpg", "x_/..", "_aaa/../../x.jpg", "..._x",
                            "abcd", "", "_"}) {
        EXPECT_EQ(NameFor(bad), "") << bad;
    }
}

std::vector<uint8_t> Block(int count, const char* name = "IMG_1.jpg", uint8_t fill = 0x11) {
    std::vector<uint8_t> block(vyr::kPictureBlockBytes, 0);
    block[10] = static_cast<uint8_t>(count);
    block[11] = static_cast<uint8_t>(count >> 8);
    std::memcpy(block.data() + 14, name, std::strlen(name));
    std::fill(block.begin() + 38, block.end(), fill);
    return block;
}

// 8 KB blocks continue and a short one ends (the name is the first block's); a count over 8192,
// or more than the buffer holds, refuses the upload; a new connection starts clean.
TEST(PictureUpload, BlocksFillTheBufferWithinItsBounds) {
    vyr::PictureUpload upload;
    upload.Begin();
    EXPECT_EQ(upload.AddBlock(Block(8192, "IMG_1.jpg", 1).data()), Step::kMore);
    EXPECT_EQ(upload.AddBlock(Block(8192, "OTHER_2.jpg", 2).data()), Step::kMore);
    EXPECT_EQ(upload.AddBlock(Block(0).data()), Step::kComplete);
    EXPECT_EQ(upload.fileName(), "IMG_1.jpg.bmp");
    ASSERT_EQ(upload.length(), 16384);
    EXPECT_EQ(upload.data()[8191], 1);
    EXPECT_EQ(upload.data()[8192], 2);

    upload.Begin();
    upload.AddBlock(Block(8192).data());
    EXPECT_EQ(upload.AddBlock(Block(8193).data()), Step::kRefused);
    EXPECT_TRUE(upload.refused());
    EXPECT_EQ(upload.length(), 0);
    // 187 full blocks fill 1,531,904 bytes; 4096 more fit exactly, 4097 do not.
    for (const int last : {4096, 4097}) {
        upload.Begin();
        for (int i = 0; i < 187; ++i) {
            ASSERT_EQ(upload.AddBlock(Block(8192).data()), Step::kMore);
        }
        EXPECT_EQ(upload.AddBlock(Block(last).data()),
                  last == 4096 ? Step::kComplete : Step::kRefused);
        EXPECT_EQ(upload.length(), last == 4096 ? vyr::kPictureBufferBytes : 0);
    }
    upload.Begin();
    EXPECT_EQ(upload.AddBlock(Block(100).data()), Step::kComplete);
    EXPECT_FALSE(upload.refused());
}

// Upload sizes are judged from the picture's header before anything is decoded: a side over 4096
// or, for deep formats, more than 64 MiB of decoded pixels is refused; a header that gives no size
// is no picture. The seeds of the fuzz target are the inputs.
TEST(ReceivedPicture, SizeLimitsComeFromTheHeader) {
    using Outcome = vyr::ReceivedPictureOutcome;
    // Seed, outcome, and the size of a decoded picture.
    const std::tuple<const char*, Outcome, int, int> cases[] = {
        {"jpeg_64x48.jpg", Outcome::kDecoded, 64, 48},
        {"jpeg_4096x48.jpg", Outcome::kDecoded, 4096, 48},  // a side of exactly 4096
        {"gif_16x16.gif", Outcome::kDecoded, 16, 16},
        {"jpeg_8000x8000_header.jpg", Outcome::kTooLarge, 0, 0},
        {"jpeg_4097x48_header.jpg", Outcome::kTooLarge, 0, 0},
        {"bmp_5000x5000_header.bmp", Outcome::kTooLarge, 0, 0},
        // 16-bit RGBA: 3000 x 3000 is 72 MB decoded although both sides are allowed; 2048 x 2048
        // (32 MiB) is allowed and then fails for its missing rows.
        {"png_rgba64_3000x3000_header.png", Outcome::kTooLarge, 0, 0},
        {"png_rgba64_2048x2048_cut.png", Outcome::kNotDecodable, 0, 0},
        {"not_a_picture", Outcome::kNotDecodable, 0, 0},
    };
    for (const auto& [seed, outcome, width, height] : cases) {
        SCOPED_TRACE(seed);
        const auto bytes =
            vyr::test::ReadFileBytes(std::string(VYR_FUZZ_CORPUS) + "/received_picture/" + seed);
        ASSERT_FALSE(bytes.empty());
        vyr::ReceivedBitmap bitmap;
        EXPECT_EQ(vyr::DecodeReceivedPicture(bytes.data(), static_cast<int>(bytes.size()), &bitmap),
                  outcome);
        EXPECT_EQ(bitmap.width, width);
        EXPECT_EQ(bitmap.height, height);
        EXPECT_EQ(bitmap.rows.size(), static_cast<size_t>(vyr::BitmapStride(width, 24) * height));
    }
}

}  // namespace
