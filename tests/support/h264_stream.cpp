// Test stream generation with the ffmpeg command line and start-code rewriting.
#include "support/h264_stream.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/file_bytes.h"
#include "support/run_command.h"

namespace vyr::test {

std::vector<uint8_t> MakeH264Stream(const std::string& folder, const H264StreamOptions& options) {
    const std::string path = folder + "/stream.h264";
    std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i " +
                          ShellQuote(options.lavfiInput) + " -frames:v " +
                          std::to_string(options.frames) +
                          " -c:v libx264 -bf 0 -g 25 -pix_fmt yuv420p ";
    if (!options.x264Params.empty()) {
        command += "-x264-params " + ShellQuote(options.x264Params) + " ";
    }
    command += options.extraEncoderArgs + " -f h264 " + ShellQuote(path) + " 2>&1";
    const CommandResult result = RunCommand(command);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return JoinWithLongStartCodes(SplitNalUnits(ReadFileBytes(path)));
}

std::vector<std::vector<uint8_t>> SplitNalUnits(const std::vector<uint8_t>& stream) {
    std::vector<std::vector<uint8_t>> units;
    const uint8_t startCode[] = {0, 0, 1};
    auto at = std::search(stream.begin(), stream.end(), startCode, startCode + 3);
    while (at != stream.end()) {
        const auto begin = at + 3;
        at = std::search(begin, stream.end(), startCode, startCode + 3);
        auto end = at;
        while (end != begin && *(end - 1) == 0) {
            --end;  // the zero of a four-byte start code, or trailing zeros
        }
        units.emplace_back(begin, end);
    }
    return units;
}

std::vector<uint8_t> JoinWithLongStartCodes(const std::vector<std::vector<uint8_t>>& units) {
    std::vector<uint8_t> stream;
    for (const auto& unit : units) {
        stream.insert(stream.end(), {0, 0, 0, 1});
        stream.insert(stream.end(), unit.begin(), unit.end());
    }
    return stream;
}

std::vector<CodedPicture> SplitPictures(const std::vector<uint8_t>& stream) {
    std::vector<CodedPicture> pictures(1);
    for (const auto& unit : SplitNalUnits(stream)) {
        const int type = unit[0] & 0x1F;
        const std::vector<uint8_t> coded = JoinWithLongStartCodes({unit});
        pictures.back().bytes.insert(pictures.back().bytes.end(), coded.begin(), coded.end());
        pictures.back().isKey = pictures.back().isKey || type == 5;
        if (type == 1 || type == 5) {
            pictures.emplace_back();
        }
    }
    pictures.pop_back();  // units after the last slice
    return pictures;
}

std::vector<uint8_t> StreamCopy(const std::string& path, const std::string& format) {
    const std::string out = path + "." + format;
    const CommandResult copy =
        RunCommand("ffmpeg -v error -y -i " + ShellQuote(path) + " -c copy -f " + format + " " +
                   ShellQuote(out) + " 2>&1");
    return copy.exitCode == 0 ? ReadFileBytes(out) : std::vector<uint8_t>{};
}

}  // namespace vyr::test
