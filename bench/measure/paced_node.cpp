#include "paced_node.h"

#include <arpa/inet.h>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

PacedNode::PacedNode(int64_t rate) {
    void* mem = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    shared_ = new (mem) Shared();
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(fd, 128);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    std::fflush(nullptr);
    child_ = fork();
    if (child_ == 0) {
        Serve(fd, rate);
        _exit(0);
    }
    close(fd);
}

PacedNode::~PacedNode() {
    if (child_ > 0) {
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
    }
    munmap(shared_, sizeof(Shared));
}

void PacedNode::Serve(int listenFd, int64_t rate) {
    signal(SIGPIPE, SIG_IGN);
    std::chrono::steady_clock::time_point start{};
    for (;;) {
        int c = accept(listenFd, nullptr, nullptr);
        if (c < 0) continue;
        // The budget starts with the run's first connection, so an idle node saves none up.
        if (start == std::chrono::steady_clock::time_point{}) start = std::chrono::steady_clock::now();
        std::thread([this, c, rate, start] {
            std::string head;
            char buf[4096];
            while (head.find("\r\n\r\n") == std::string::npos) {
                ssize_t n = recv(c, buf, sizeof buf, 0);
                if (n <= 0) { close(c); return; }
                head.append(buf, static_cast<size_t>(n));
            }
            shared_->requests++;
            const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                      "Content-Length: 100000000000\r\nConnection: close\r\n\r\n";
            send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
            static const std::string chunk(65536, '\0');
            for (;;) {
                if (rate > 0) {
                    // All connections share one budget: the rate times the time so far.
                    for (;;) {
                        double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                        if (shared_->sent.load() < static_cast<int64_t>(rate * secs)) break;
                        std::this_thread::sleep_for(std::chrono::microseconds(500));
                    }
                }
                const size_t size = rate > 0 ? std::min<size_t>(chunk.size(), std::max<int64_t>(rate / 1000, 1024)) : chunk.size();
                ssize_t n = send(c, chunk.data(), size, MSG_NOSIGNAL);
                if (n <= 0) break;
                shared_->sent += n;
            }
            close(c);
        }).detach();
    }
}
