#pragma once
// The kept files' text: one "key = value" per line, blank lines and lines
// starting with '#' skipped, spaces around the key and the value ignored.
#include <cstddef>
#include <string_view>

struct KeyValue {
    std::string_view key;
    std::string_view value;
    int line = 0;  // 1-based, for messages
};

// Cuts the next key = value off the front of `rest`. False at the end of the
// text, or with `error` set ("line 3: no '='") at a line that is neither.
bool next_key_value(std::string_view& rest, int& line, KeyValue& out, const char*& error);

// The next line that is not blank or a comment, without its spaces at either
// end; false at the end of the text. For files of plain lines.
bool next_line(std::string_view& rest, int& line, std::string_view& out);
