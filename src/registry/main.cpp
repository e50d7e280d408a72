// skorvia-registry: the list of public skorvia servers. See service.h.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <string>
#include <thread>

#include "base/log.h"
#include "registry/service.h"

int main(int argc, char** argv) {
    RegistryOptions options;
    std::string error;
    switch (parse_registry_options(argc, argv, options, error)) {
    case RegistryArgs::Help: std::fputs(registry_usage(), stdout); return 0;
    case RegistryArgs::Bad:
        log_line(LogLevel::Error, error);
        std::fputs(registry_usage(), stderr);
        return 2;
    case RegistryArgs::Run: break;
    }
    // Every thread leaves SIGINT and SIGTERM to the main thread, which waits for them.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    signal(SIGPIPE, SIG_IGN);

    static RegistryService service;
    if (const char* failed = start_registry(service, options)) {
        LogText message;
        message << "can't start the registry on port " << options.port << ": " << failed;
        log_line(LogLevel::Error, message);
        return 1;
    }
    LogText listening;
    listening << "listening on 0.0.0.0:" << service.port << (service.https ? " (https)" : " (http)");
    log_line(LogLevel::Info, listening);
    std::thread http([] { run_registry(service); });
    int received = 0;
    sigwait(&stops, &received);
    log_line(LogLevel::Info, received == SIGINT ? "stopping (interrupt)" : "stopping (terminate)");
    stop_registry(service);
    http.join();
    return 0;
}
