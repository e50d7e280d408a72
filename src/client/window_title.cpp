#include "client/window_title.h"

#include <cstring>

#include "client/session.h"

void compose_title(char (&out)[TITLE_CAPACITY], std::initializer_list<std::string_view> parts) {
    size_t length = 0;
    for (std::string_view part : parts) length += part.size();
    if (length + 1 > TITLE_CAPACITY) {
        std::memcpy(out, "skorvia", sizeof "skorvia");
        return;
    }
    size_t used = 0;
    for (std::string_view part : parts) {
        std::memcpy(out + used, part.data(), part.size());
        used += part.size();
    }
    out[used] = '\0';
}

void window_title(const Session& s, char (&out)[TITLE_CAPACITY]) {
    if (!s.active) {
        compose_title(out, {"skorvia"});
        return;
    }
    if (s.tutorial) {
        compose_title(out, {"skorvia - tutorial"});
        return;
    }
    if (s.practice) {
        compose_title(out, {"skorvia - practice"});
        return;
    }
    const std::string_view name = s.server_name();
    switch (s.client.state) {
    case ConnectionState::Connecting: compose_title(out, {"skorvia - connecting to ", name}); break;
    case ConnectionState::Joined:
        compose_title(out, {"skorvia - player ", decimal(s.client.own_slot + 1), " on ", name});
        break;
    case ConnectionState::Full: compose_title(out, {"skorvia - ", name, " is full"}); break;
    }
}
