// Drawing of the moving test pattern; see test_pattern.h. Every rectangle starts and ends on even
// coordinates, so each chroma sample covers one colour only and the bars stay pure after 4:2:0.
#include "tools/camsim/test_pattern.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vyr::camsim {

namespace {

constexpr int Even(int value) {
    return value & ~1;
}

struct Bar {
    const char* name;
    Rgb colour;
};

constexpr std::array<Bar, 8> kBars{{{"white", {255, 255, 255}},
                                    {"red", {255, 0, 0}},
                                    {"green", {0, 255, 0}},
                                    {"blue", {0, 0, 255}},
                                    {"black", {0, 0, 0}},
                                    {"dark grey", {32, 32, 32}},
                                    {"light grey", {224, 224, 224}},
                                    {"cyan", {0, 255, 255}}}};

constexpr Rgb kBackground{128, 128, 128};
constexpr Rgb kBox{255, 255, 0};
constexpr Rgb kDigitOn{255, 255, 255};
constexpr Rgb kDigitOff{0, 0, 0};

// Digits 0-9 on a 3 x 5 grid, one row per entry, the top bit of three the left column.
constexpr std::array<std::array<uint8_t, 5>, 10> kDigits{{{7, 5, 5, 5, 7},
                                                          {2, 6, 2, 2, 7},
                                                          {7, 1, 7, 4, 7},
                                                          {7, 1, 7, 1, 7},
                                                          {5, 5, 7, 1, 1},
                                                          {7, 4, 7, 1, 7},
                                                          {7, 4, 7, 5, 7},
                                                          {7, 1, 1, 1, 1},
                                                          {7, 5, 7, 5, 7},
                                                          {7, 5, 7, 1, 7}}};

int BarsBottom(int height) {
    return Even(height * 55 / 100);
}

int BarLeft(int index, int width) {
    return Even(index * width / static_cast<int>(kBars.size()));
}

uint8_t ClampByte(double value) {
    return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

// Fills [x0, x1) x [y0, y1), clipped to the picture; coordinates are made even.
void FillRect(const Yuv420Planes& p, int x0, int y0, int x1, int y1, Yuv colour) {
    x0 = std::clamp(Even(x0), 0, p.width);
    x1 = std::clamp(Even(x1 + 1), 0, p.width);
    y0 = std::clamp(Even(y0), 0, p.height);
    y1 = std::clamp(Even(y1 + 1), 0, p.height);
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    for (int y = y0; y < y1; ++y) {
        std::fill_n(p.y + y * p.yStride + x0, x1 - x0, colour.y);
    }
    for (int y = y0 / 2; y < y1 / 2; ++y) {
        std::fill_n(p.u + y * p.uStride + x0 / 2, (x1 - x0) / 2, colour.u);
        std::fill_n(p.v + y * p.vStride + x0 / 2, (x1 - x0) / 2, colour.v);
    }
}

void DrawCounter(const Yuv420Planes& p, int pictureNumber, bool fullRange) {
    const int cell = Even(std::max(4, p.height / 90));
    const int digits = 4;
    const int left = cell * 2;
    const int top = p.height - cell * 8;
    FillRect(p, left - cell, top - cell, left + digits * cell * 4, top + cell * 6,
             RgbToYuv(kDigitOff, fullRange));
    const Yuv on = RgbToYuv(kDigitOn, fullRange);
    int value = pictureNumber % 10000;
    for (int d = digits - 1; d >= 0; --d) {
        const auto& glyph = kDigits[static_cast<size_t>(value % 10)];
        value /= 10;
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < 3; ++column) {
                if ((glyph[static_cast<size_t>(row)] >> (2 - column) & 1) != 0) {
                    const int x = left + d * cell * 4 + column * cell;
                    const int y = top + row * cell;
                    FillRect(p, x, y, x + cell - 1, y + cell - 1, on);
                }
            }
        }
    }
}

// Fresh luma noise every picture below the box's path, right of the counter: the part of the
// picture the encoder cannot predict, so that pictures reach a camera's size (tens of kilobytes at
// 1920 x 1080) instead of a few hundred bytes of flat colour.
void DrawNoise(const Yuv420Planes& p, int pictureNumber, int top) {
    const int left = Even(p.width * 2 / 3);
    uint32_t state = 2463534242u ^ static_cast<uint32_t>(pictureNumber) * 2654435761u;
    for (int y = std::max(0, Even(top)); y < p.height; ++y) {
        uint8_t* row = p.y + y * p.yStride;
        for (int x = left; x < p.width; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            row[x] = static_cast<uint8_t>(row[x] - 12 + static_cast<int>(state % 25));
        }
    }
}

}  // namespace

Yuv RgbToYuv(Rgb colour, bool fullRange) {
    const double r = colour.r;
    const double g = colour.g;
    const double b = colour.b;
    const double luma = 0.299 * r + 0.587 * g + 0.114 * b;
    const double cb = -0.168736 * r - 0.331264 * g + 0.5 * b;
    const double cr = 0.5 * r - 0.418688 * g - 0.081312 * b;
    if (fullRange) {
        return {ClampByte(luma), ClampByte(128 + cb), ClampByte(128 + cr)};
    }
    return {ClampByte(16 + luma * 219 / 255), ClampByte(128 + cb * 224 / 255),
            ClampByte(128 + cr * 224 / 255)};
}

std::vector<PatternPatch> TestPatternPatches(int width, int height) {
    std::vector<PatternPatch> patches;
    const int bottom = BarsBottom(height);
    for (size_t i = 0; i < kBars.size(); ++i) {
        const int left = BarLeft(static_cast<int>(i), width);
        const int barWidth = BarLeft(static_cast<int>(i) + 1, width) - left;
        patches.push_back({kBars[i].name, left + barWidth / 4, bottom / 4, barWidth / 2, bottom / 2,
                           kBars[i].colour});
    }
    return patches;
}

void DrawTestPattern(int pictureNumber, bool fullRange, const Yuv420Planes& p) {
    const int bottom = BarsBottom(p.height);
    for (size_t i = 0; i < kBars.size(); ++i) {
        FillRect(p, BarLeft(static_cast<int>(i), p.width), 0,
                 BarLeft(static_cast<int>(i) + 1, p.width) - 1, bottom - 1,
                 RgbToYuv(kBars[i].colour, fullRange));
    }
    FillRect(p, 0, bottom, p.width - 1, p.height - 1, RgbToYuv(kBackground, fullRange));
    const int side = Even(std::max(8, (p.height - bottom) / 3));
    const int travel = std::max(2, p.width - side);
    const int boxLeft = Even(pictureNumber * 16 % travel);
    const int boxTop = bottom + Even((p.height - bottom - side) / 3);
    FillRect(p, boxLeft, boxTop, boxLeft + side - 1, boxTop + side - 1, RgbToYuv(kBox, fullRange));
    DrawNoise(p, pictureNumber, boxTop + side + 2);
    DrawCounter(p, pictureNumber, fullRange);
}

}  // namespace vyr::camsim
