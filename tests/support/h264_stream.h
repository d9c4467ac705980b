// H.264 Annex B test streams made by the ffmpeg program (libx264), rewritten so that every NAL
// unit starts with the four-byte start code 00 00 00 01, as the camera sends them; and ffmpeg's
// reading of the files recorded from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vyr::test {

struct H264StreamOptions {
    std::string lavfiInput = "testsrc=size=320x240:rate=25";  // an ffmpeg -f lavfi source
    int frames = 10;
    std::string x264Params;        // e.g. "slices=4"
    std::string extraEncoderArgs;  // e.g. "-profile:v high -pix_fmt yuv422p"
};

// Encodes the stream in folder/stream.h264; a failure fails the test with ffmpeg's output.
std::vector<uint8_t> MakeH264Stream(const std::string& folder, const H264StreamOptions& options);

// The NAL units of an Annex B stream (split at three- and four-byte start codes), each without its
// start code.
std::vector<std::vector<uint8_t>> SplitNalUnits(const std::vector<uint8_t>& stream);

// Joins units with four-byte start codes.
std::vector<uint8_t> JoinWithLongStartCodes(const std::vector<std::vector<uint8_t>>& units);

// The pictures of a stream whose pictures are one slice each, as the decode thread hands them to
// the recording: the slice with the units before it (delimiters, parameter sets, SEI), joined with
// four-byte start codes. A key picture holds an IDR slice.
struct CodedPicture {
    std::vector<uint8_t> bytes;
    bool isKey = false;
};
std::vector<CodedPicture> SplitPictures(const std::vector<uint8_t>& stream);

// The payloads of a video file as ffmpeg's stream copy writes them out in a raw format ("h264",
// "mjpeg") beside it. A copy drops whatever comes before the first packet it takes for a key
// frame, so a file must start with a whole key picture to be copied whole.
std::vector<uint8_t> StreamCopy(const std::string& path, const std::string& format);

}  // namespace vyr::test
