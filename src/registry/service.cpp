#include "registry/service.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include <httplib.h>

#include "base/endpoint.h"

namespace {

constexpr int WORKERS = 8;
// Accepted connections waiting for a worker; beyond this the listener waits,
// and new connections wait in the system's backlog.
constexpr size_t WAITING_CONNECTIONS = 64;
constexpr time_t READ_TIMEOUT_SECONDS = 2;
constexpr time_t WRITE_TIMEOUT_SECONDS = 5;

// httplib's own pool queues without bound; this one makes the listener wait.
class BoundedPool : public httplib::TaskQueue {
public:
    BoundedPool() {
        for (int i = 0; i < WORKERS; ++i) threads_.emplace_back([this] { work(); });
    }
    ~BoundedPool() override = default;

    void enqueue(std::function<void()> fn) override {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return stopping_ || jobs_.size() < WAITING_CONNECTIONS; });
        if (stopping_) return;
        jobs_.push_back(std::move(fn));
        ready_.notify_one();
    }

    void shutdown() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        ready_.notify_all();
        room_.notify_all();
        for (std::thread& t : threads_) t.join();
    }

private:
    void work() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
                if (jobs_.empty()) return;  // stopping, and nothing left
                job = std::move(jobs_.front());
                jobs_.pop_front();
                room_.notify_one();
            }
            job();
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    bool stopping_ = false;
};

void text_answer(httplib::Response& res, int status, std::string_view text) {
    res.status = status;
    res.set_content(std::string(text) + "\n", "text/plain");
}

void set_routes(RegistryService& service) {
    httplib::Server& http = *service.http;
    Registry& registry = service.registry;
    http.Post("/announce", [&registry](const httplib::Request& req, httplib::Response& res) {
        uint32_t source = 0;
        if (!parse_ipv4_literal(req.remote_addr, source)) {
            text_answer(res, 400, "only IPv4 servers can be listed");
            return;
        }
        const Answer answer = announce(registry, source, req.body, registry_now_ms());
        text_answer(res, answer.status, answer.text);
    });
    http.Get("/servers", [&registry](const httplib::Request&, httplib::Response& res) {
        const std::shared_ptr<const std::string> body = server_list_body(registry, registry_now_ms());
        // The shared text is sent as it is: no copy per request.
        res.set_content_provider(body->size(), "application/json",
                                 [body](size_t offset, size_t length, httplib::DataSink& sink) {
                                     return sink.write(body->data() + offset, length);
                                 });
    });
}

}  // namespace

RegistryService::RegistryService() = default;
RegistryService::~RegistryService() = default;

const char* start_registry(RegistryService& service, const RegistryOptions& options) {
    RegistryRules rules;
    rules.forget_after_ms = options.forget_after_ms;
    init_registry(service.registry, rules);
    service.https = !options.cert_file.empty();
    if (service.https) {
        auto https = std::make_unique<httplib::SSLServer>(options.cert_file.c_str(), options.key_file.c_str());
        if (!https->is_valid()) return "can't use the certificate and key";
        service.http = std::move(https);
    } else {
        service.http = std::make_unique<httplib::Server>();
    }
    httplib::Server& http = *service.http;
    http.new_task_queue = [] { return new BoundedPool; };
    http.set_payload_max_length(MAX_ANNOUNCEMENT_BODY);
    http.set_read_timeout(READ_TIMEOUT_SECONDS, 0);
    http.set_write_timeout(WRITE_TIMEOUT_SECONDS, 0);
    http.set_keep_alive_timeout(READ_TIMEOUT_SECONDS);
    http.set_keep_alive_max_count(100);
    http.set_address_family(AF_INET);
    // Headers and body leave in separate writes: without this every answer
    // would wait for the peer's delayed acknowledgement (40 ms on Linux).
    http.set_tcp_nodelay(true);
    set_routes(service);
    if (options.port == 0) {
        const int port = http.bind_to_any_port("0.0.0.0");
        if (port <= 0) return "can't open a port";
        service.port = static_cast<uint16_t>(port);
    } else {
        if (!http.bind_to_port("0.0.0.0", options.port)) return "the port is taken";
        service.port = options.port;
    }
    start_checkers(service.registry, 4);
    return nullptr;
}

void run_registry(RegistryService& service) { service.http->listen_after_bind(); }

void stop_registry(RegistryService& service) {
    service.http->stop();
    stop_checkers(service.registry);
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
