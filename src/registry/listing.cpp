#include "registry/listing.h"

#include <cstring>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

// The parsed document, or a discarded value when the text is not JSON. No
// exceptions: bad input is ordinary here.
json parse_json(std::string_view text) { return json::parse(text.begin(), text.end(), nullptr, false); }

bool copy_name(const std::string& name, char (&out)[MAX_SERVER_NAME], uint8_t& length) {
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
    if (const auto name = doc.find("name");
        name != doc.end() && !(name->is_string() && copy_name(name->get_ref<const std::string&>(), parsed.name, parsed.name_length))) {
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

namespace {

// Reads a list as the parser goes, keeping nothing of it but the entries:
// the document, its "servers" array, and each entry's known fields.
class ListReader : public nlohmann::json_sax<json> {
public:
    ListReader(RegistryEntry* out, int capacity) : out_(out), capacity_(capacity) {}

    int count() const { return count_; }
    bool full() const { return count_ == capacity_; }
    bool read_list() const { return read_list_; }

    bool null() override { return value(Value::Other); }
    bool boolean(bool) override { return value(Value::Other); }
    bool number_integer(number_integer_t) override { return value(Value::Other); }
    bool number_unsigned(number_unsigned_t n) override {
        number_ = n;
        return value(Value::Unsigned);
    }
    bool number_float(number_float_t, const string_t&) override { return value(Value::Other); }
    bool string(string_t& text) override {
        text_ = &text;
        return value(Value::Text);
    }
    bool binary(binary_t&) override { return value(Value::Other); }

    bool start_object(std::size_t) override { return open(Value::Object); }
    bool start_array(std::size_t) override { return open(Value::Array); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }

    bool key(string_t& name) override {
        if (depth_ == 1) {
            servers_key_ = name == "servers";
        } else if (depth_ == 3 && in_entry_) {
            field_ = name == "address"   ? Field::Address
                     : name == "name"    ? Field::Name
                     : name == "players" ? Field::Players
                     : name == "max"     ? Field::Max
                     : name == "bots"    ? Field::Bots
                                         : Field::Other;
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    enum class Value : uint8_t { Object, Array, Text, Unsigned, Other };
    enum class Field : uint8_t { Address, Name, Players, Max, Bots, Other };

    // A value at the current depth, before it opens (arrays and objects).
    bool value(Value kind) {
        if (depth_ == 0 && kind != Value::Object) return false;  // not a list
        if (depth_ == 1 && servers_key_ && kind != Value::Array) return false;
        if (depth_ == 3 && in_entry_) take_field(kind);
        return true;
    }

    bool open(Value kind) {
        if (!value(kind)) return false;
        if (depth_ == MAX_LISTING_DEPTH) return false;
        if (depth_ == 1 && servers_key_) in_servers_ = read_list_ = true;
        if (depth_ == 2 && in_servers_ && kind == Value::Object) {
            in_entry_ = true;
            entry_ = RegistryEntry{};
            entry_ok_ = true;
            has_address_ = false;
        }
        ++depth_;
        return true;
    }

    bool close() {
        --depth_;
        if (depth_ == 2 && in_entry_) return finish_entry();
        if (depth_ == 1) in_servers_ = false;
        return true;
    }

    void take_field(Value kind) {
        switch (field_) {
        case Field::Address:
            has_address_ = kind == Value::Text && parse_endpoint_text(*text_, entry_.endpoint);
            entry_ok_ = entry_ok_ && has_address_;
            break;
        case Field::Name:
            entry_ok_ = entry_ok_ && kind == Value::Text && copy_name(*text_, entry_.name, entry_.name_length);
            break;
        case Field::Players: entry_ok_ = entry_ok_ && take_count(kind, entry_.players); break;
        case Field::Max: entry_ok_ = entry_ok_ && take_count(kind, entry_.max_players); break;
        case Field::Bots: entry_ok_ = entry_ok_ && take_count(kind, entry_.bots); break;
        case Field::Other: break;
        }
        field_ = Field::Other;
    }

    bool take_count(Value kind, uint8_t& out) const {
        if (kind != Value::Unsigned || number_ > STATUS_MAX_PLAYERS) return false;
        out = static_cast<uint8_t>(number_);
        return true;
    }

    // The end of an entry; false (which ends the reading) once the room is full.
    bool finish_entry() {
        in_entry_ = false;
        const bool counts_add_up = entry_.players + entry_.bots <= entry_.max_players;
        if (entry_ok_ && has_address_ && counts_add_up) out_[count_++] = entry_;
        return !full();
    }

    RegistryEntry* out_;
    int capacity_;
    int count_ = 0;
    int depth_ = 0;
    bool servers_key_ = false;
    bool in_servers_ = false;
    bool in_entry_ = false;  // an object in "servers"
    bool read_list_ = false;
    Field field_ = Field::Other;
    RegistryEntry entry_;
    bool entry_ok_ = false;
    bool has_address_ = false;
    number_unsigned_t number_ = 0;
    string_t* text_ = nullptr;
};

}  // namespace

int parse_server_list(std::string_view body, RegistryEntry* out, int capacity) {
    if (capacity <= 0) return 0;
    ListReader reader(out, capacity);
    const bool whole = json::sax_parse(body.begin(), body.end(), &reader);
    // A list cut short on purpose, once the room is full, counts as read.
    if (!(whole || reader.full()) || !reader.read_list()) return -1;
    return reader.count();
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
