#include "wav.h"

#include <bit>
#include <cstdio>
#include <vector>

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    for (int b = 0; b < 2; ++b) out.push_back(static_cast<uint8_t>(v >> (8 * b)));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(v >> (8 * b)));
}
void tag(std::vector<uint8_t>& out, const char* four) {
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(four[b]));
}

constexpr uint32_t FORMAT_FLOAT = 3;

}  // namespace

bool write_wav(const char* path, const float* samples, uint32_t count, uint32_t rate) {
    const uint32_t data_bytes = count * 4;
    std::vector<uint8_t> out;
    out.reserve(58 + data_bytes);
    tag(out, "RIFF");
    put32(out, 50 + data_bytes);  // everything after this field
    tag(out, "WAVE");
    tag(out, "fmt ");
    put32(out, 18);
    put16(out, FORMAT_FLOAT);
    put16(out, 1);          // channels
    put32(out, rate);
    put32(out, rate * 4);   // bytes per second
    put16(out, 4);          // bytes per frame
    put16(out, 32);         // bits per sample
    put16(out, 0);          // no extension
    tag(out, "fact");       // sample frames, expected beside a non-PCM format
    put32(out, 4);
    put32(out, count);
    tag(out, "data");
    put32(out, data_bytes);
    for (uint32_t i = 0; i < count; ++i) put32(out, std::bit_cast<uint32_t>(samples[i]));

    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && written;
}
