#pragma once
// The registries the game reads the Internet servers from, and the round of
// reading under way (app/internet.h runs the rounds).
#include <memory>
#include <string>

#include "registry/registry_client.h"

struct InternetRound;

constexpr int MAX_REGISTRY_URLS = 4;

struct InternetList {
    RegistryUrl urls[MAX_REGISTRY_URLS];
    std::string texts[MAX_REGISTRY_URLS];
    std::string last_said[MAX_REGISTRY_URLS];  // the last warning per registry, to say it once
    int count = 0;
    std::shared_ptr<InternetRound> round;  // under way or done; null before the first
    bool answered = false;                 // a registry answered in the last round taken
    bool taken = false;                    // a round's result was taken
};
