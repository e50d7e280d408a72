#include "registry/service.h"

#include <microhttpd.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>

namespace {

// TLS 1.3, or TLS 1.2 with ECDHE key exchange and AEAD suites only: every
// session has forward secrecy, and no CBC or SHA-1 MAC is offered.
constexpr const char* TLS_PRIORITIES =
    "SECURE128:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2:-KX-ALL:+ECDHE-ECDSA:+ECDHE-RSA:"
    "-CIPHER-ALL:+AES-128-GCM:+AES-256-GCM:+CHACHA20-POLY1305:-MAC-ALL:+AEAD";
// No progress at all (a reader that stopped reading its answer): closed.
constexpr unsigned IDLE_SECONDS = 5;
// The longest the loop sleeps: how late a deadline may be enforced.
constexpr int LOOP_WAKE_MS = 50;

// What the service keeps per open connection, from a fixed table.
struct Connection {
    int fd = -1;
    bool open = false;
    bool answering = false;  // an answer is queued: the request is whole
    bool cut = false;        // shut down for missing a deadline
    bool body_too_large = false;
    int64_t request_started_ms = 0;
    uint16_t body_length = 0;
    char body[MAX_ANNOUNCEMENT_BODY];
};

}  // namespace

struct HttpService {
    Registry* registry = nullptr;
    MHD_Daemon* daemon = nullptr;
    int stop_fd = -1;
    std::unique_ptr<Connection[]> connections = std::make_unique<Connection[]>(CONNECTION_LIMIT);
    std::string cert, key;
    // The list's answer, made once per version of the list and shared by
    // every connection that asks meanwhile.
    std::shared_ptr<const std::string> list_body;
    MHD_Response* list_response = nullptr;

    ~HttpService() {
        if (daemon) MHD_stop_daemon(daemon);
        if (list_response) MHD_destroy_response(list_response);
        if (stop_fd >= 0) ::close(stop_fd);
    }
};

namespace {

Connection* connection_of(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info ? static_cast<Connection*>(info->socket_context) : nullptr;
}

void on_connection(void* cls, MHD_Connection* connection, void** socket_context,
                   MHD_ConnectionNotificationCode code) {
    HttpService& http = *static_cast<HttpService*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
        if (auto* c = static_cast<Connection*>(*socket_context)) c->open = false;
        return;
    }
    // The library takes no more than CONNECTION_LIMIT, so a free row is there.
    Connection* row = nullptr;
    for (unsigned i = 0; i < CONNECTION_LIMIT && !row; ++i) {
        if (!http.connections[i].open) row = &http.connections[i];
    }
    *socket_context = row;
    if (!row) return;
    const MHD_ConnectionInfo* fd = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    *row = Connection{};
    row->open = true;
    row->fd = fd ? fd->connect_fd : -1;
    row->request_started_ms = registry_now_ms();
}

// A finished exchange: the next request's time starts now.
void on_completed(void*, MHD_Connection* connection, void**, MHD_RequestTerminationCode) {
    if (Connection* c = connection_of(connection)) {
        c->answering = false;
        c->body_length = 0;
        c->body_too_large = false;
        c->request_started_ms = registry_now_ms();
    }
}

// Shuts down the connections whose request did not arrive in time, or
// whose answer was not taken in time; the library then sees them end and
// closes them.
void cut_late_exchanges(HttpService& http, int64_t now_ms) {
    for (unsigned i = 0; i < CONNECTION_LIMIT; ++i) {
        Connection& c = http.connections[i];
        if (!c.open || c.cut || c.fd < 0) continue;
        const int64_t limit = c.answering ? EXCHANGE_DEADLINE_MS : REQUEST_DEADLINE_MS;
        if (now_ms - c.request_started_ms < limit) continue;
        ::shutdown(c.fd, SHUT_RDWR);
        c.cut = true;
    }
}

MHD_Result answer_text(MHD_Connection* connection, Connection* c, unsigned status, std::string_view text) {
    const std::string line = std::string(text) + "\n";
    MHD_Response* response =
        MHD_create_response_from_buffer(line.size(), const_cast<char*>(line.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain");
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    if (c) c->answering = true;
    return queued;
}

void release_list(void* holder) { delete static_cast<std::shared_ptr<const std::string>*>(holder); }

MHD_Result answer_list(HttpService& http, MHD_Connection* connection, Connection* c) {
    std::shared_ptr<const std::string> body = server_list_body(*http.registry, registry_now_ms());
    if (body != http.list_body || !http.list_response) {
        if (http.list_response) MHD_destroy_response(http.list_response);  // freed once its last reader is done
        auto* holder = new std::shared_ptr<const std::string>(body);
        http.list_response =
            MHD_create_response_from_buffer_with_free_callback_cls(
            body->size(), const_cast<char*>(body->data()), release_list, holder);
        if (!http.list_response) {
            delete holder;
            return MHD_NO;
        }
        MHD_add_response_header(http.list_response, MHD_HTTP_HEADER_CONTENT_TYPE, "application/json");
        http.list_body = std::move(body);
    }
    if (c) c->answering = true;
    return MHD_queue_response(connection, MHD_HTTP_OK, http.list_response);
}

// Before the body: what an announcement must look like to be read at all.
const char* refused_announcement(MHD_Connection* connection, unsigned& status) {
    if (MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_TRANSFER_ENCODING)) {
        status = MHD_HTTP_LENGTH_REQUIRED;
        return "send the announcement whole, with a Content-Length";
    }
    const char* encoding = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_ENCODING);
    if (encoding && std::string_view(encoding) != "identity") {
        status = MHD_HTTP_UNSUPPORTED_MEDIA_TYPE;
        return "compressed announcements are not taken";
    }
    const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    uint64_t bytes = 0;
    if (length && (!parse_status_decimal(length, UINT32_MAX, bytes) || bytes > MAX_ANNOUNCEMENT_BODY)) {
        status = MHD_HTTP_CONTENT_TOO_LARGE;
        return "the announcement is too large";
    }
    return nullptr;
}

MHD_Result answer_announcement(HttpService& http, MHD_Connection* connection, Connection& c) {
    if (c.body_too_large) return answer_text(connection, &c, MHD_HTTP_CONTENT_TOO_LARGE, "the announcement is too large");
    const MHD_ConnectionInfo* peer = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!peer || !peer->client_addr || peer->client_addr->sa_family != AF_INET) {
        return answer_text(connection, &c, MHD_HTTP_BAD_REQUEST, "only IPv4 servers can be listed");
    }
    sockaddr_in from;
    std::memcpy(&from, peer->client_addr, sizeof from);
    const Answer answer =
        announce(*http.registry, ntohl(from.sin_addr.s_addr), {c.body, c.body_length}, registry_now_ms());
    return answer_text(connection, &c, static_cast<unsigned>(answer.status), answer.text);
}

MHD_Result on_request(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*,
                      const char* upload_data, size_t* upload_data_size, void** request_context) {
    HttpService& http = *static_cast<HttpService*>(cls);
    Connection* c = connection_of(connection);
    const std::string_view path = url, verb = method;
    const bool announcing = verb == "POST" && path == "/announce";
    if (!*request_context) {
        // The headers are in; the body (if any) comes in the next calls.
        *request_context = c ? static_cast<void*>(c) : static_cast<void*>(&http);
        if (verb == "GET" && path == "/servers") return answer_list(http, connection, c);
        if (!announcing || !c) return answer_text(connection, c, MHD_HTTP_NOT_FOUND, "not found");
        unsigned status = 0;
        if (const char* refused = refused_announcement(connection, status)) {
            return answer_text(connection, c, status, refused);
        }
        c->body_length = 0;
        c->body_too_large = false;
        return MHD_YES;
    }
    if (!announcing || !c) return MHD_NO;
    if (*upload_data_size > 0) {
        if (c->body_length + *upload_data_size > sizeof c->body) {
            c->body_too_large = true;
        } else {
            std::memcpy(c->body + c->body_length, upload_data, *upload_data_size);
            c->body_length = static_cast<uint16_t>(c->body_length + *upload_data_size);
        }
        *upload_data_size = 0;
        return MHD_YES;
    }
    return answer_announcement(http, connection, *c);
}

void drop_library_message(void*, const char*, va_list) {}

bool read_file(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    out = text.str();
    return !out.empty();
}

}  // namespace

RegistryService::RegistryService() = default;
RegistryService::~RegistryService() = default;

const char* start_registry(RegistryService& service, const RegistryOptions& options) {
    RegistryRules rules;
    rules.forget_after_ms = options.forget_after_ms;
    init_registry(service.registry, rules);
    service.http = std::make_unique<HttpService>();
    HttpService& http = *service.http;
    http.registry = &service.registry;
    service.https = !options.cert_file.empty();
    if (service.https && (!read_file(options.cert_file, http.cert) || !read_file(options.key_file, http.key))) {
        return "can't read the certificate and key";
    }
    http.stop_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (http.stop_fd < 0) return "can't make an event descriptor";
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    any.sin_port = htons(options.port);
    MHD_OptionItem tls[] = {
        {MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char*>(http.cert.c_str())},
        {MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char*>(http.key.c_str())},
        {MHD_OPTION_HTTPS_PRIORITIES, 0, const_cast<char*>(TLS_PRIORITIES)},
        {MHD_OPTION_END, 0, nullptr},
    };
    const unsigned flags = MHD_USE_EPOLL | MHD_USE_ERROR_LOG | (service.https ? MHD_USE_TLS : 0);
    http.daemon = MHD_start_daemon(
        flags, options.port, nullptr, nullptr, on_request, &http,
        MHD_OPTION_EXTERNAL_LOGGER, drop_library_message, nullptr,
        MHD_OPTION_SOCK_ADDR, &any,
        MHD_OPTION_CONNECTION_LIMIT, CONNECTION_LIMIT,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, CONNECTIONS_PER_ADDRESS,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, CONNECTION_MEMORY,
        MHD_OPTION_CONNECTION_TIMEOUT, IDLE_SECONDS,
        MHD_OPTION_NOTIFY_CONNECTION, on_connection, &http,
        MHD_OPTION_NOTIFY_COMPLETED, on_completed, &http,
        MHD_OPTION_SIGPIPE_HANDLED_BY_APP, 1,
        MHD_OPTION_ARRAY, service.https ? tls : tls + 3,
        MHD_OPTION_END);
    if (!http.daemon) return service.https ? "can't open the port or use the certificate and key" : "can't open the port (is it taken?)";
    const MHD_DaemonInfo* bound = MHD_get_daemon_info(http.daemon, MHD_DAEMON_INFO_BIND_PORT);
    service.port = bound ? bound->port : options.port;
    start_checker(service.registry);
    return nullptr;
}

void run_registry(RegistryService& service) {
    HttpService& http = *service.http;
    const MHD_DaemonInfo* epoll = MHD_get_daemon_info(http.daemon, MHD_DAEMON_INFO_EPOLL_FD);
    if (!epoll) return;
    for (;;) {
        MHD_UNSIGNED_LONG_LONG library_ms = LOOP_WAKE_MS;
        if (MHD_get_timeout(http.daemon, &library_ms) != MHD_YES) library_ms = LOOP_WAKE_MS;
        pollfd waits[2] = {{epoll->epoll_fd, POLLIN, 0}, {http.stop_fd, POLLIN, 0}};
        ::poll(waits, 2, static_cast<int>(std::min<MHD_UNSIGNED_LONG_LONG>(library_ms, LOOP_WAKE_MS)));
        if (waits[1].revents != 0) return;
        MHD_run(http.daemon);
        cut_late_exchanges(http, registry_now_ms());
    }
}

void stop_registry(RegistryService& service) {
    if (service.http && service.http->stop_fd >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(service.http->stop_fd, &one, sizeof one);
    }
    stop_checker(service.registry);
}

RegistryArgs parse_registry_options(int argc, const char* const* argv, RegistryOptions& options, std::string& error) {
    RegistryOptions parsed;
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--help" || name == "-h") return RegistryArgs::Help;
        if (name != "--port" && name != "--cert" && name != "--key" && name != "--forget-after") {
            error = "unknown option '" + std::string(name) + "'";
            return RegistryArgs::Bad;
        }
        if (i + 1 >= argc) {
            error = "missing value after '" + std::string(name) + "'";
            return RegistryArgs::Bad;
        }
        const std::string value = argv[++i];
        if (name == "--cert") {
            parsed.cert_file = value;
        } else if (name == "--key") {
            parsed.key_file = value;
        } else {
            const uint64_t max = name == "--port" ? 65535 : 86400;
            uint64_t number = 0;
            if (!parse_status_decimal(value, max, number) || value.find_first_not_of("0123456789") != std::string::npos) {
                error = "bad " + std::string(name.substr(2)) + " '" + value + "'";
                return RegistryArgs::Bad;
            }
            if (name == "--port") parsed.port = static_cast<uint16_t>(number);
            else parsed.forget_after_ms = static_cast<int64_t>(number) * 1000;
        }
    }
    if (parsed.cert_file.empty() != parsed.key_file.empty()) {
        error = "--cert and --key go together";
        return RegistryArgs::Bad;
    }
    options = parsed;
    return RegistryArgs::Run;
}

const char* registry_usage() {
    return "usage: skorvia-registry [--port N] [--cert FILE --key FILE] [--help]\n"
           "  --port N     TCP port of the HTTP service (default 7780; 0 lets the system pick)\n"
           "  --cert FILE  PEM certificate (chain) to serve HTTPS with, together with --key\n"
           "  --key FILE   its PEM private key\n"
           "  --help       show this text\n";
}
