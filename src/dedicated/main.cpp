// skorvia-server: the dedicated game server. See dedicated_server.h.
#include <cstdio>

#include "base/log.h"
#include "dedicated/dedicated_server.h"
#include "dedicated/options.h"
#include "platform/stop.h"

int main(int argc, char** argv) {
    ServerOptions options;
    char error[160];
    switch (parse_server_options(argc, argv, options, error, sizeof error)) {
    case OptionsOutcome::Help:
        std::fputs(server_usage(), stdout);
        return 0;
    case OptionsOutcome::Bad:
        log_line(LogLevel::Error, error);
        std::fputs(server_usage(), stderr);
        return 2;
    case OptionsOutcome::Run:
        break;
    }
    install_stop_handlers();
    static DedicatedServer server;  // large: kept off the stack
    if (const int status = start_server(server, options); status != 0) return status;
    const int status = run_server(server);
    stop_server(server);
    return status;
}
