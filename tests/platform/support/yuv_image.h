#pragma once

// Synthetic YUV 4:2:0 pictures with known content, and their comparison.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace ovtest {

struct Rgb8 {
    int r;
    int g;
    int b;
};

struct YuvImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> y, u, v;

    int chromaWidth() const { return (width + 1) / 2; }
    int chromaHeight() const { return (height + 1) / 2; }

    YuvImage(int w, int h)
        : width(w),
          height(h),
          y(static_cast<size_t>(w) * h),
          u(static_cast<size_t>((w + 1) / 2) * ((h + 1) / 2)),
          v(u.size()) {}

    // Y, then U, then V, no row padding
    std::vector<std::uint8_t> packed() const {
        std::vector<std::uint8_t> out(y);
        out.insert(out.end(), u.begin(), u.end());
        out.insert(out.end(), v.begin(), v.end());
        return out;
    }
};

// BT.601 limited range, what an H.264 stream and swscale assume by default.
inline void rgbToYuv(Rgb8 c, std::uint8_t* y, std::uint8_t* u, std::uint8_t* v) {
    auto clip = [](double x) { return static_cast<std::uint8_t>(std::clamp(std::lround(x), 0L, 255L)); };
    *y = clip(16 + (65.738 * c.r + 129.057 * c.g + 25.064 * c.b) / 256);
    *u = clip(128 + (-37.945 * c.r - 74.494 * c.g + 112.439 * c.b) / 256);
    *v = clip(128 + (112.439 * c.r - 94.154 * c.g - 18.285 * c.b) / 256);
}

// Four flat quadrants: top-left, top-right, bottom-left, bottom-right.
inline YuvImage quadrants(int w, int h, const Rgb8 colours[4]) {
    YuvImage img(w, h);
    auto quadrant = [&](int x, int y, int qw, int qh) { return (y >= qh ? 2 : 0) + (x >= qw ? 1 : 0); };
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            std::uint8_t u;
            std::uint8_t v;
            rgbToYuv(colours[quadrant(col, row, w / 2, h / 2)], &img.y[static_cast<size_t>(row) * w + col], &u, &v);
        }
    }
    for (int row = 0; row < img.chromaHeight(); ++row) {
        for (int col = 0; col < img.chromaWidth(); ++col) {
            std::uint8_t y;
            rgbToYuv(colours[quadrant(col, row, img.chromaWidth() / 2, img.chromaHeight() / 2)], &y,
                     &img.u[static_cast<size_t>(row) * img.chromaWidth() + col],
                     &img.v[static_cast<size_t>(row) * img.chromaWidth() + col]);
        }
    }
    return img;
}

// Smooth gradients with a box that moves with t: something an encoder must
// work at, but which stays well above 35 dB at ordinary settings.
inline YuvImage movingPattern(int w, int h, int t) {
    YuvImage img(w, h);
    const int boxX = (t * 7) % std::max(1, w - w / 5);
    const int boxY = (t * 3) % std::max(1, h - h / 5);
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            int value = 16 + (col * 160 / std::max(1, w - 1) + row * 60 / std::max(1, h - 1) + t) % 220;
            const bool inBox = col >= boxX && col < boxX + w / 5 && row >= boxY && row < boxY + h / 5;
            img.y[static_cast<size_t>(row) * w + col] = static_cast<std::uint8_t>(inBox ? 235 - value / 4 : value);
        }
    }
    for (int row = 0; row < img.chromaHeight(); ++row) {
        for (int col = 0; col < img.chromaWidth(); ++col) {
            img.u[static_cast<size_t>(row) * img.chromaWidth() + col] =
                static_cast<std::uint8_t>(64 + (row * 128 / std::max(1, img.chromaHeight())));
            img.v[static_cast<size_t>(row) * img.chromaWidth() + col] =
                static_cast<std::uint8_t>(192 - (col * 128 / std::max(1, img.chromaWidth())));
        }
    }
    return img;
}

inline double psnr(const std::uint8_t* a, int strideA, const std::uint8_t* b, int strideB, int w, int h) {
    double sum = 0;
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            const double d =
                double(a[static_cast<size_t>(row) * strideA + col]) - b[static_cast<size_t>(row) * strideB + col];
            sum += d * d;
        }
    }
    const double mse = sum / (double(w) * h);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

inline bool near(Rgb8 expected, int r, int g, int b, int tolerance) {
    return std::abs(expected.r - r) <= tolerance && std::abs(expected.g - g) <= tolerance &&
           std::abs(expected.b - b) <= tolerance;
}

}  // namespace ovtest
