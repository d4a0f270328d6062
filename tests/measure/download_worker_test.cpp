// A download worker's one request: which node it asks, and whether it goes through the proxy.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "app/run_state.h"
#include "measure/test_run.h"
#include "support/headless_fixture.h"

namespace {

using app::RunState;

// Accepts one connection on 127.0.0.1, keeps its request head and answers a small body.
class OneRequestServer {
public:
    OneRequestServer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(fd_, 4);
        socklen_t len = sizeof addr;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] {
            int c = accept(fd_, nullptr, nullptr);
            if (c < 0) return;
            char buf[4096];
            while (head_.find("\r\n\r\n") == std::string::npos) {
                ssize_t n = recv(c, buf, sizeof buf, 0);
                if (n <= 0) break;
                head_.append(buf, static_cast<size_t>(n));
            }
            const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + std::string(5000, 'x');
            send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
            close(c);
        });
    }
    ~OneRequestServer() {
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        if (thread_.joinable()) thread_.join();
    }
    int port() const { return port_; }
    // The request line and headers; valid once the worker has returned.
    const std::string& head() {
        if (thread_.joinable()) thread_.join();
        return head_;
    }

private:
    int fd_ = -1, port_ = 0;
    std::string head_;
    std::thread thread_;
};

class DownloadWorkerTest : public testing_support::HeadlessTest {
protected:
    DownloadWorkerTest()
        : HeadlessTest(platform::HeadlessUi::Clock::Real, platform::HeadlessUi::Threads::Collect) {
        RunState().TestSeconds = 5;
    }
    // Every node key of one section names the same URL.
    void WriteNodes(const std::string& section, const std::string& url) {
        std::ofstream f(dir_ / "conf.ini", std::ios::binary);
        f << "[" << section << "]\r\n";
        for (int n = 1; n <= 3; ++n) f << "URL_" << n << "=" << url << "\r\n";
    }
};

TEST_F(DownloadWorkerTest, DomesticDirectFetchesADomesticNodeAndCountsItsBytes) {
    OneRequestServer node;
    WriteNodes("DomesticNode", "http://127.0.0.1:" + std::to_string(node.port()) + "/d.bin");
    RunState().Domestic = 1;
    RunState().ViaProxy = 0;
    RunState().ProxyText.Set("127.0.0.1:1"); // left over from a proxy test: not used
    measure::DownloadWorker();
    EXPECT_EQ(node.head().rfind("GET /d.bin HTTP/1.1\r\n", 0), 0u) << node.head();
    EXPECT_EQ(RunState().Counter->Read(), 5000);
}

TEST_F(DownloadWorkerTest, ViaProxyTheRequestGoesToTheProxy) {
    OneRequestServer proxy;
    WriteNodes("AbroadNode", "http://node.invalid/a.bin");
    RunState().Domestic = 0;
    RunState().ViaProxy = 1;
    RunState().ProxyText.Set("127.0.0.1:" + std::to_string(proxy.port()));
    measure::DownloadWorker();
    // A forward proxy is asked for the whole URL.
    EXPECT_EQ(proxy.head().rfind("GET http://node.invalid/a.bin HTTP/1.1\r\n", 0), 0u) << proxy.head();
    EXPECT_EQ(RunState().Counter->Read(), 5000);
}

} // namespace
