#include "dedicated/options.h"

#include <cstdio>
#include <string_view>

#include "net/status_reply.h"
#include "registry/registry_client.h"

namespace {

constexpr uint64_t MAX_BOTS = 8;

// Plain decimal digits only, at most `max`.
bool parse_unsigned(std::string_view text, uint64_t max, uint64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (digit > max || result > (max - digit) / 10) return false;  // result * 10 + digit > max
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

OptionsOutcome bad(char* error, size_t capacity, const char* what, std::string_view detail) {
    std::snprintf(error, capacity, "%s '%.*s'", what, static_cast<int>(detail.size()), detail.data());
    return OptionsOutcome::Bad;
}

}  // namespace

OptionsOutcome parse_server_options(int argc, const char* const* argv, ServerOptions& options, char* error,
                                    size_t error_capacity) {
    ServerOptions parsed;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") return OptionsOutcome::Help;
        if (arg == "--bots-always") {
            parsed.bots_always = true;
            continue;
        }
        if (arg == "--protocol-20") {
            parsed.protocol_20 = true;
            continue;
        }
        // Both "--port 7777" and "--port=7777".
        std::string_view name = arg, value;
        bool has_value = false;
        if (const size_t equals = arg.find('='); arg.starts_with("--") && equals != std::string_view::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            has_value = true;
        }
        if (name != "--port" && name != "--layout" && name != "--seed" && name != "--win-amount" &&
            name != "--vessel-cost" && name != "--bots" && name != "--bot-skill" && name != "--register" &&
            name != "--name" && name != "--announce-every") {
            return bad(error, error_capacity, "unknown option", arg);
        }
        if (!has_value) {
            if (i + 1 >= argc) return bad(error, error_capacity, "missing value after", name);
            value = argv[++i];
        }
        uint64_t number = 0;
        if (name == "--register") {
            RegistryUrl url;
            if (const char* fault = parse_registry_url(value, url)) {
                std::snprintf(error, error_capacity, "bad registry address '%.*s': %s",
                              static_cast<int>(value.size() < 100 ? value.size() : 100), value.data(), fault);
                return OptionsOutcome::Bad;
            }
            if (parsed.registry_count == MAX_REGISTRIES) return bad(error, error_capacity, "more than 4 registries at", value);
            // The value ends where the argument ends: it points into argv.
            parsed.registries[parsed.registry_count++] = value.data();
        } else if (name == "--name") {
            if (!is_valid_server_name(value)) return bad(error, error_capacity, "bad name (text of at most 32 bytes)", value);
            parsed.name = value.data();
        } else if (name == "--announce-every") {
            if (!parse_unsigned(value, 3600, number) || number == 0) return bad(error, error_capacity, "bad interval", value);
            parsed.announce_seconds = static_cast<uint32_t>(number);
        } else if (name == "--port") {
            if (!parse_unsigned(value, 65535, number)) return bad(error, error_capacity, "bad port (0..65535)", value);
            parsed.port = static_cast<uint16_t>(number);
        } else if (name == "--layout") {
            if (value == "fixed") parsed.layout = MapLayout::Fixed;
            else if (value == "random") parsed.layout = MapLayout::Random;
            else return bad(error, error_capacity, "bad layout (fixed or random)", value);
        } else if (name == "--bots") {
            if (!parse_unsigned(value, MAX_BOTS, number)) return bad(error, error_capacity, "bad number of bots (0..8)", value);
            parsed.bots = static_cast<uint8_t>(number);
        } else if (name == "--bot-skill") {
            if (!parse_skill(value, parsed.bot_skill)) {
                return bad(error, error_capacity, "bad bot skill (easy, normal or hard)", value);
            }
        } else if (name == "--win-amount") {
            if (!parse_unsigned(value, UINT32_MAX, number)) return bad(error, error_capacity, "bad amount", value);
            parsed.win_amount = static_cast<uint32_t>(number);
            parsed.win_amount_given = true;
        } else if (name == "--vessel-cost") {
            if (!parse_unsigned(value, UINT32_MAX, number)) return bad(error, error_capacity, "bad amount", value);
            parsed.vessel_cost = static_cast<uint32_t>(number);
            parsed.vessel_cost_given = true;
        } else {
            if (!parse_unsigned(value, UINT64_MAX, number)) return bad(error, error_capacity, "bad seed", value);
            parsed.seed = number;
            parsed.seed_given = true;
        }
    }
    options = parsed;
    return OptionsOutcome::Run;
}

const char* server_usage() {
    return "usage: skorvia-server [--port N] [--layout fixed|random] [--seed N]\n"
           "                      [--bots N] [--bots-always] [--bot-skill easy|normal|hard]\n"
           "                      [--register URL]... [--name TEXT] [--protocol-20] [--help]\n"
           "  --port N          UDP game port, also the TCP status port (default 7777; 0 lets the system pick)\n"
           "  --layout L        random: a map drawn from the seed (default); fixed: the plain generated world\n"
           "  --seed N          the random map's seed, 0..18446744073709551615 (default: from the clock)\n"
           "  --bots N          computer players fill free slots until N planes fly (default 0); they\n"
           "                    leave as people join, and play only while a person is connected\n"
           "  --bots-always     let the bots play with nobody connected too\n"
           "  --bot-skill S     easy, normal (default) or hard\n"
           "  --register URL    announce the server to the registry at URL (http:// or https://) every 15 s;\n"
           "                    up to 4 registries\n"
           "  --name TEXT       the server's name in the registries' lists and the status reply (at most 32 bytes)\n"
           "  --protocol-20     also serve protocol 20, which cannot prove a player's address and sends\n"
           "                    the whole world 60 times a second: only on a network you trust\n"
           "  --help            show this text\n";
}

const char* layout_name(MapLayout layout) { return layout == MapLayout::Fixed ? "fixed" : "random"; }
