#include "base/endpoint.h"

bool parse_ipv4_literal(std::string_view host, uint32_t& address) {
    uint32_t parts = 0;
    int part = 0;
    size_t i = 0;
    while (part < 4) {
        size_t start = i;
        uint32_t value = 0;
        while (i < host.size() && host[i] >= '0' && host[i] <= '9' && i - start < 3) {
            value = value * 10 + static_cast<uint32_t>(host[i] - '0');
            ++i;
        }
        size_t digits = i - start;
        if (digits == 0 || value > 255) return false;
        if (digits > 1 && host[start] == '0') return false;  // no leading zeros
        parts = parts << 8 | value;
        ++part;
        if (part < 4) {
            if (i >= host.size() || host[i] != '.') return false;
            ++i;
        }
    }
    if (i != host.size()) return false;
    address = parts;
    return true;
}
