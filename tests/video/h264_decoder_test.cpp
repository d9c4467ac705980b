// Decoder set-up failures are fatal: they reach the fatal-error handler with their text, and the
// default handler ends the process with exit code 1.
#include "video/h264_decoder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string lastFatalText;

void RecordFatalText(const char* text) {
    lastFatalText = text;
}

// No allocation can hold extradata of this length, so the set-up fails at the extradata.
constexpr int kImpossibleLength = -4096;
const uint8_t kParameterSets[] = {0, 0, 0, 1, 0x67, 0x42, 0, 0x1E, 0, 0, 0, 1, 0x68, 0xCE};

TEST(H264Decoder, SetUpFailureGoesToTheInstalledHandlerAndLeavesTheDecoderClosed) {
    vyr::SetFatalErrorHandler(&RecordFatalText);
    vyr::H264Decoder decoder;
    EXPECT_FALSE(decoder.OpenH264Decoder(kParameterSets, kImpossibleLength));
    EXPECT_EQ(lastFatalText, "could not av_malloc the video params extradata!\n");
    EXPECT_FALSE(decoder.isOpen());
    vyr::SetFatalErrorHandler(nullptr);

    // Parameter sets the decoder cannot read still open it: pictures decide, not the set-up.
    EXPECT_TRUE(decoder.OpenH264Decoder(kParameterSets, sizeof kParameterSets));
    EXPECT_TRUE(decoder.isOpen());
}

TEST(H264DecoderDeathTest, DefaultHandlerPrintsTheTextAndExitsWithCodeOne) {
    EXPECT_EXIT(
        {
            vyr::H264Decoder decoder;
            decoder.OpenH264Decoder(kParameterSets, kImpossibleLength);
        },
        testing::ExitedWithCode(1), "could not av_malloc the video params extradata!");
}

}  // namespace
