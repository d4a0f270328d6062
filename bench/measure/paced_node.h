// A test node in a child process: serves an endless file on 127.0.0.1 at a set total rate
// and publishes how many bytes it has sent.
#pragma once
#include <atomic>
#include <cstdint>
#include <sys/types.h>

class PacedNode {
public:
    // rate 0 = as fast as the connections take it.
    explicit PacedNode(int64_t bytesPerSecond);
    ~PacedNode();
    int port() const { return port_; }
    int64_t Sent() const { return shared_->sent.load(); }
    int Requests() const { return shared_->requests.load(); }

private:
    struct Shared {
        std::atomic<int64_t> sent{0};
        std::atomic<int> requests{0};
    };
    void Serve(int listenFd, int64_t rate);
    Shared* shared_ = nullptr;
    pid_t child_ = -1;
    int port_ = 0;
};
