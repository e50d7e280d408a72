#include "registry/listing.h"

#include <cstring>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

// The parsed document, or a discarded value when the text is not JSON. No
// exceptions: bad input is ordinary here.
json parse_json(std::string_view text) { return json::parse(text.begin(), text.end(), nullptr, false); }

bool copy_name(const json& value, char (&out)[MAX_SERVER_NAME], uint8_t& length) {
    if (!value.is_string()) return false;
    const std::string& name = value.get_ref<const std::string&>();
    if (!is_valid_server_name(name)) return false;
    std::memcpy(out, name.data(), name.size());
    length = static_cast<uint8_t>(name.size());
    return true;
}

bool small_number(const json& value, uint64_t max, uint64_t& out) {
    if (!value.is_number_unsigned()) return false;
    out = value.get<uint64_t>();
    return out <= max;
}

}  // namespace

const char* parse_announcement(std::string_view body, Announcement& out) {
    const json doc = parse_json(body);
    if (doc.is_discarded() || !doc.is_object()) return "not a JSON object";
    Announcement parsed;
    const auto port = doc.find("port");
    uint64_t value = 0;
    if (port == doc.end() || !small_number(*port, 65535, value) || value == 0) return "no port 1..65535";
    parsed.port = static_cast<uint16_t>(value);
    if (const auto name = doc.find("name"); name != doc.end() && !copy_name(*name, parsed.name, parsed.name_length)) {
        return "the name is not text of at most 32 bytes";
    }
    out = parsed;
    return nullptr;
}

std::string format_announcement(uint16_t port, std::string_view name) {
    json doc = {{"port", port}};
    if (!name.empty()) doc["name"] = std::string(name);
    return doc.dump();
}

int parse_server_list(std::string_view body, RegistryEntry* out, int capacity) {
    const json doc = parse_json(body);
    if (doc.is_discarded() || !doc.is_object()) return -1;
    const auto servers = doc.find("servers");
    if (servers == doc.end() || !servers->is_array()) return -1;
    int count = 0;
    for (const json& item : *servers) {
        if (count == capacity) break;
        if (!item.is_object()) continue;
        RegistryEntry entry;
        const auto address = item.find("address");
        if (address == item.end() || !address->is_string() ||
            !parse_endpoint_text(address->get_ref<const std::string&>(), entry.endpoint)) {
            continue;
        }
        if (const auto name = item.find("name"); name != item.end() && !copy_name(*name, entry.name, entry.name_length)) {
            continue;
        }
        uint64_t number = 0;
        if (const auto players = item.find("players"); players != item.end() && small_number(*players, 255, number)) {
            entry.players = static_cast<uint8_t>(number);
        }
        if (const auto max = item.find("max"); max != item.end() && small_number(*max, 255, number)) {
            entry.max_players = static_cast<uint8_t>(number);
        }
        out[count++] = entry;
    }
    return count;
}

std::string endpoint_text(Endpoint e) {
    const uint32_t a = e.address;
    return std::to_string(a >> 24) + '.' + std::to_string(a >> 16 & 255) + '.' + std::to_string(a >> 8 & 255) + '.' +
           std::to_string(a & 255) + ':' + std::to_string(e.port);
}

bool parse_endpoint_text(std::string_view text, Endpoint& out) {
    const size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) return false;
    uint32_t address = 0;
    if (!parse_ipv4_literal(text.substr(0, colon), address)) return false;
    const std::string_view port = text.substr(colon + 1);
    if (port.empty() || port.size() > 5) return false;
    uint32_t p = 0;
    for (char c : port) {
        if (c < '0' || c > '9') return false;
        p = p * 10 + static_cast<uint32_t>(c - '0');
    }
    if (p == 0 || p > 65535) return false;
    out = {address, static_cast<uint16_t>(p)};
    return true;
}
