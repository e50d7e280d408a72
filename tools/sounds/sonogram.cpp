#include "sonogram.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {

constexpr int WINDOW = 2048;            // samples per column (43 ms at 48 kHz)
constexpr int BINS = WINDOW / 2;
constexpr int ROWS = 480;
constexpr double LOWEST_HZ = 20.0;      // the bottom row; the top one is half the rate
constexpr float FLOOR_DB = -90.0f;      // quieter than this is black
constexpr double PI_D = 3.14159265358979323846;

// In-place radix-2 transform of WINDOW values.
void fft(std::vector<std::complex<double>>& a) {
    const int n = static_cast<int>(a.size());
    for (int i = 1, j = 0; i < n; ++i) {
        int bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (int len = 2; len <= n; len <<= 1) {
        const std::complex<double> w = std::polar(1.0, -2 * PI_D / len);
        for (int i = 0; i < n; i += len) {
            std::complex<double> wk = 1;
            for (int k = 0; k < len / 2; ++k) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * wk;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                wk *= w;
            }
        }
    }
}

// Black, blue, red, yellow, white over 0..1.
void colour(float v, uint8_t* rgb) {
    static const float STOPS[5][3] = {{0, 0, 0}, {0.1f, 0.1f, 0.6f}, {0.8f, 0.1f, 0.2f}, {1, 0.85f, 0.1f}, {1, 1, 1}};
    const float x = std::clamp(v, 0.0f, 1.0f) * 4;
    const int k = std::min(static_cast<int>(x), 3);
    const float f = x - static_cast<float>(k);
    for (int c = 0; c < 3; ++c) {
        rgb[c] = static_cast<uint8_t>(255 * (STOPS[k][c] + (STOPS[k + 1][c] - STOPS[k][c]) * f) + 0.5f);
    }
}

// The level at a fractional bin, between its two neighbours.
float level_at(const float* column, double bin) {
    const int i = std::min(static_cast<int>(bin), BINS - 2);
    const float f = static_cast<float>(bin - i);
    return column[i] + (column[i + 1] - column[i]) * f;
}

}  // namespace

bool write_sonogram(const char* path, const float* samples, uint32_t count, uint32_t rate) {
    // About 600 columns whatever the length, at least one sample apart.
    const uint32_t hop = std::max<uint32_t>(1, count / 600);
    const int columns = static_cast<int>(count / hop);
    std::vector<float> db(static_cast<size_t>(columns) * BINS);
    std::vector<std::complex<double>> frame(WINDOW);
    float loudest = FLOOR_DB;
    for (int col = 0; col < columns; ++col) {
        const int64_t start = static_cast<int64_t>(col) * hop - WINDOW / 2;
        for (int i = 0; i < WINDOW; ++i) {
            const int64_t at = start + i;
            const double s = at >= 0 && at < static_cast<int64_t>(count) ? samples[at] : 0.0;
            const double hann = 0.5 - 0.5 * std::cos(2 * PI_D * i / WINDOW);
            frame[i] = s * hann;
        }
        fft(frame);
        for (int b = 0; b < BINS; ++b) {
            const float level = static_cast<float>(20 * std::log10(std::abs(frame[b]) + 1e-12));
            db[static_cast<size_t>(col) * BINS + b] = level;
            loudest = std::max(loudest, level);
        }
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(columns) * ROWS * 3);
    const double nyquist = rate / 2.0;
    for (int row = 0; row < ROWS; ++row) {
        // Frequency grows upward on a logarithmic scale.
        const double hz = LOWEST_HZ * std::pow(nyquist / LOWEST_HZ, 1.0 - static_cast<double>(row) / (ROWS - 1));
        const double bin = hz / nyquist * BINS;
        for (int col = 0; col < columns; ++col) {
            const float level = level_at(&db[static_cast<size_t>(col) * BINS], bin) - loudest;
            colour(1.0f - level / FLOOR_DB, &pixels[(static_cast<size_t>(row) * columns + col) * 3]);
        }
    }
    return stbi_write_png(path, columns, ROWS, 3, pixels.data(), columns * 3) != 0;
}
