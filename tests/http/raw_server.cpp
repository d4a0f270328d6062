#include "http/raw_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace http_test {
namespace {

int ListenOn(int port, int* boundPort) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *boundPort = ntohs(addr.sin_port);
    return fd;
}

std::size_t ContentLength(const std::string& head) {
    std::string lower = head;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) return 0;
    return std::strtoul(lower.c_str() + at + 17, nullptr, 10);
}

} // namespace

bool Connection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool Connection::Wait(int ms) {
    std::unique_lock lock(server_.mutex_);
    return !server_.stopCv_.wait_for(lock, std::chrono::milliseconds(ms),
                                     [this] { return server_.stopping_.load(); });
}

void Connection::Reset() {
    linger hard{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    reset_ = true;
}

RawServer::RawServer(Handler handler, int port) : handler_(std::move(handler)) {
    listenFd_ = ListenOn(port, &port_);
    if (listenFd_ >= 0) acceptor_ = std::thread([this] { AcceptLoop(); });
}

RawServer::~RawServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (int fd : openFds_) ::shutdown(fd, SHUT_RDWR);
    }
    stopCv_.notify_all();
    if (listenFd_ >= 0) ::shutdown(listenFd_, SHUT_RDWR);
    if (acceptor_.joinable()) acceptor_.join();
    if (listenFd_ >= 0) ::close(listenFd_);
    for (auto& w : workers_) w.join();
}

std::string RawServer::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> RawServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void RawServer::AcceptLoop() {
    for (;;) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) < 0 || stopping_) return;
        if ((p.revents & POLLIN) == 0) continue;
        int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        if (stopping_) {
            ::close(fd);
            return;
        }
        openFds_.push_back(fd);
        workers_.emplace_back([this, fd] { Serve(fd); });
    }
}

void RawServer::Serve(int fd) {
    ++connections_;
    Connection c(*this, fd);
    char buf[4096];
    std::size_t headEnd = std::string::npos;
    for (;;) {
        if (headEnd != std::string::npos &&
            c.request_.size() >= headEnd + 4 + ContentLength(c.request_.substr(0, headEnd + 2)))
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) <= 0) break;
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        c.request_.append(buf, static_cast<std::size_t>(n));
        if (headEnd == std::string::npos) headEnd = c.request_.find("\r\n\r\n");
    }
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(c.request_);
    }
    if (!stopping_) handler_(c);
    {
        std::lock_guard lock(mutex_);
        std::erase(openFds_, fd);
        if (!c.reset_) ::shutdown(fd, SHUT_WR);
    }
    if (!c.reset_) {
        // Let the client read to the end before the socket goes away.
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, 200) > 0 && ::recv(fd, buf, sizeof buf, 0) > 0) {}
    }
    ::close(fd);
}

std::string ResponseHead(int status, std::size_t contentLength, std::string_view extraLines) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " X\r\n";
    head += "Content-Length: " + std::to_string(contentLength) + "\r\n";
    head += extraLines;
    head += "Connection: close\r\n\r\n";
    return head;
}

int FreePort() {
    int port = 0;
    int fd = ListenOn(0, &port);
    if (fd >= 0) ::close(fd);
    return port;
}

} // namespace http_test
