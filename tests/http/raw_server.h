// A loopback TCP server whose every byte the test writes by hand: stalls, resets, odd
// header blocks, made-up proxies.
#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace http_test {

class RawServer;

// One accepted connection, handed to the test's handler on a thread of its own.
class Connection {
public:
    // The request head (up to the empty line) and any body its Content-Length announces,
    // or whatever arrived before the peer fell silent for a second.
    const std::string& request() const { return request_; }
    bool Send(std::string_view bytes);
    // Waits, but returns early (false) when the server is shutting down.
    bool Wait(int ms);
    // Closes with a TCP reset instead of an orderly end.
    void Reset();

private:
    friend class RawServer;
    Connection(RawServer& server, int fd) : server_(server), fd_(fd) {}
    RawServer& server_;
    int fd_;
    std::string request_;
    bool reset_ = false;
};

class RawServer {
public:
    using Handler = std::function<void(Connection&)>;
    // port 0 takes a free port.
    explicit RawServer(Handler handler, int port = 0);
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    bool ok() const { return listenFd_ >= 0; }
    int port() const { return port_; }
    std::string Url(std::string_view path = "/") const;
    std::vector<std::string> Requests() const;
    int Connections() const { return connections_.load(); }

private:
    friend class Connection;
    void AcceptLoop();
    void Serve(int fd);

    Handler handler_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::condition_variable stopCv_;
    std::vector<std::string> requests_;
    std::vector<int> openFds_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

// An HTTP/1.1 response head with Content-Length and the given extra lines (CR LF each).
std::string ResponseHead(int status, std::size_t contentLength, std::string_view extraLines = {});

// A free loopback port (bound and released; good enough for a test).
int FreePort();

} // namespace http_test
