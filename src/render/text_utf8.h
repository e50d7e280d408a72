#pragma once
// UTF-8 as the text drawing reads it: a whole text is checked first, then
// decoded code point by code point.
#include <cstddef>
#include <cstdint>
#include <string_view>

// Well-formed sequences of 1 to 4 bytes only: no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool is_valid_utf8(std::string_view text);

// Decodes the code point at `at` and moves `at` past it. Only for text that
// passed is_valid_utf8.
uint32_t next_code_point(std::string_view text, size_t& at);
