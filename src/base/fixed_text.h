#pragma once
// A text of fixed capacity that lines are built in without allocating: log
// lines, notifications, HUD and menu labels. Appends past the capacity are cut
// silently. Numbers are written the way the player and the log read them:
// integers in plain decimal, floats in their shortest round-trip form (3.0
// prints as "3").
#include <charconv>
#include <concepts>
#include <cstddef>
#include <cstring>
#include <string_view>

template <size_t N>
struct FixedText {
    static constexpr size_t CAPACITY = N;
    char text[N];
    size_t length = 0;

    FixedText& operator<<(std::string_view s) {
        const size_t n = s.size() < N - length ? s.size() : N - length;
        if (n > 0) std::memcpy(text + length, s.data(), n);
        length += n;
        return *this;
    }
    FixedText& operator<<(const char* s) { return *this << std::string_view(s ? s : "(null)"); }
    FixedText& operator<<(char c) { return *this << std::string_view(&c, 1); }
    FixedText& operator<<(bool) = delete;  // says neither "true" nor "1" by accident
    template <std::integral Integer>
    FixedText& operator<<(Integer n) {
        char digits[24];
        return *this << std::string_view(digits, std::to_chars(digits, digits + sizeof digits, n).ptr - digits);
    }
    FixedText& operator<<(float f) {
        char digits[32];
        return *this << std::string_view(digits, std::to_chars(digits, digits + sizeof digits, f).ptr - digits);
    }

    std::string_view view() const { return {text, length}; }
    void clear() { length = 0; }
};
