#include "http/servers.h"

#include "app/run_state.h"

namespace http_test {

std::string Pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return s;
}

HttpServer::HttpServer(const std::function<void(httplib::Server&)>& routes) {
    routes(server_);
    port_ = server_.bind_to_any_port("127.0.0.1");
    // bind_to_any_port already listens, so requests made before the loop runs just wait.
    thread_ = std::thread([this] { server_.listen_after_bind(); });
}

HttpServer::~HttpServer() {
    server_.stop();
    thread_.join();
}

std::string HttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int32_t NetTest::Counted() const { return app::RunState().Counter->Read(); }

int NetTest::ChunkPauses() const {
    int n = 0;
    for (int64_t ms : ui_->Delays()) n += ms == 10;
    return n;
}

double NetTest::SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace http_test
