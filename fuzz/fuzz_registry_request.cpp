// What the registry reads from strangers, and what the game reads from a
// registry: an announcement's body, run through the registry's table as it
// is run for a request, and a server list. Besides the sanitizers' checks it
// insists that:
//   - an announcement that is read names a port 1..65535 and a valid name,
//     and reads back the same once written again;
//   - the table answers with a status the HTTP layer knows, lists nothing
//     that no check answered, and never holds more than its capacities;
//   - a list never yields more entries than there is room for, nor one
//     with port 0 or a name that is not valid text.
//
// Input layout: byte 0 is the source address's last byte; the rest is the
// body, both as an announcement and as a list.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "registry/listing.h"
#include "registry/registry.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void check_announcement(std::string_view body) {
    Announcement a;
    if (parse_announcement(body, a)) return;
    check(a.port != 0);
    check(a.name_length == 0 || is_valid_server_name({a.name, a.name_length}));
    Announcement again;
    check(parse_announcement(format_announcement(a.port, {a.name, a.name_length}), again) == nullptr);
    check(again.port == a.port && std::string_view(again.name, again.name_length) == std::string_view(a.name, a.name_length));
}

void check_table(uint32_t source, std::string_view body) {
    static Registry* registry = [] {
        auto* r = new Registry;
        init_registry(*r);
        return r;
    }();
    static int64_t now = 0;
    now += 137;
    const Answer answer = announce(*registry, source, body, now);
    check(answer.status == 200 || answer.status == 202 || answer.status == 400 || answer.status == 403 ||
          answer.status == 413 || answer.status == 429 || answer.status == 503);
    check(registry->listings.size() <= REGISTRY_CAPACITY && registry->sources.size() <= SOURCE_CAPACITY);
    check(registry->check_count <= CHECK_QUEUE_CAPACITY);
    // Nobody answered a check here: nothing is ever listed.
    check(*server_list_body(*registry, now) == R"({"servers":[]})");
}

void check_list(std::string_view body) {
    RegistryEntry entries[4];
    const int count = parse_server_list(body, entries, 4);
    check(count >= -1 && count <= 4);
    for (int i = 0; i < count; ++i) {
        check(entries[i].endpoint.port != 0);
        check(entries[i].name_length == 0 || is_valid_server_name(entries[i].name_view()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint32_t source = 0xC0000200u | data[0];
    const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
    check_announcement(body);
    check_table(source, body);
    check_list(body);
    return 0;
}
