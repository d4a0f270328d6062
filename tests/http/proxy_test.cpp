#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "http/raw_server.h"
#include "http/servers.h"
#include "http/web_request.h"

namespace {

using namespace http_test;
using http::WebRequest;
using http::WebRequestOptions;

// tinyproxy on a free loopback port, run in the foreground and ended with the test.
class TinyProxy {
public:
    explicit TinyProxy(const std::filesystem::path& dir) : port_(FreePort()) {
        const auto conf = dir / "tinyproxy.conf";
        std::ofstream(conf) << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 30\n"
                            << "Allow 127.0.0.1\nMaxClients 20\nLogLevel Error\n"
                            << "LogFile \"" << (dir / "tinyproxy.log").string() << "\"\n";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl("/usr/bin/tinyproxy", "tinyproxy", "-d", "-c", conf.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100 && pid_ > 0 && !Accepts(); ++i) ::usleep(50000);
    }
    ~TinyProxy() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool Accepts() const {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(port_));
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        return ok;
    }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    int port_;
    pid_t pid_ = -1;
};

// A stand-in proxy that answers every request itself, so a test can see what reached it.
RawServer::Handler FakeProxy() {
    return [](Connection& c) {
        if (c.request().rfind("CONNECT ", 0) == 0) {
            c.Send("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
            return;
        }
        c.Send(ResponseHead(200, 7) + "proxied");
    };
}

RawServer::Handler Direct() {
    return [](Connection& c) { c.Send(ResponseHead(200, 6) + "direct"); };
}

std::string FirstLine(const std::string& request) {
    return request.substr(0, request.find("\r\n"));
}

using ProxyTest = NetTest;

TEST_F(ProxyTest, OnPort443TheProxyServesEveryProtocol) {
    RawServer proxy(FakeProxy());
    WebRequestOptions o;
    o.proxy = "127.0.0.1:" + std::to_string(proxy.port());
    o.timeLimitSeconds = 30;
    o.timeoutSeconds = 3;

    EXPECT_EQ(WebRequest("http://127.0.0.1:443/x", o), "proxied");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(FirstLine(proxy.Requests()[0]), "GET http://127.0.0.1:443/x HTTP/1.1");

    // https on its own port is tunnelled through the proxy.
    EXPECT_EQ(WebRequest("https://127.0.0.1/y", o), "");
    ASSERT_EQ(proxy.Requests().size(), 2u);
    EXPECT_EQ(FirstLine(proxy.Requests()[1]), "CONNECT 127.0.0.1:443 HTTP/1.1");
}

TEST_F(ProxyTest, OnOtherPortsOnlyPlainHttpGoesThroughTheProxy) {
    RawServer proxy(FakeProxy());
    RawServer target(Direct());
    WebRequestOptions o;
    o.proxy = "127.0.0.1:" + std::to_string(proxy.port());
    o.timeLimitSeconds = 30;
    o.timeoutSeconds = 3;

    EXPECT_EQ(WebRequest(target.Url("/x"), o), "proxied");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(FirstLine(proxy.Requests()[0]), "GET " + target.Url("/x") + " HTTP/1.1");
    EXPECT_EQ(target.Connections(), 0);

    // An https URL on another port goes straight to the server (its TLS hello arrives).
    const std::string https = "https://127.0.0.1:" + std::to_string(target.port()) + "/s";
    EXPECT_EQ(WebRequest(https, o), "");
    EXPECT_EQ(proxy.Requests().size(), 1u);
    ASSERT_EQ(target.Requests().size(), 1u);
    ASSERT_FALSE(target.Requests()[0].empty());
    EXPECT_EQ(target.Requests()[0][0], '\x16'); // TLS handshake record

    // An empty proxy text is a direct connection.
    o.proxy = "";
    EXPECT_EQ(WebRequest(target.Url("/x"), o), "direct");
}

TEST_F(ProxyTest, ARealForwardProxyCarriesTheRequest) {
    if (::access("/usr/bin/tinyproxy", X_OK) != 0) GTEST_SKIP() << "tinyproxy is not installed";
    TinyProxy proxy(dir_.path());
    ASSERT_TRUE(proxy.Accepts());
    HttpServer server([](httplib::Server& s) {
        s.Get("/f", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("Via") + "|" + Pattern(300000), "text/plain");
        });
    });
    WebRequestOptions o;
    o.proxy = proxy.Address();
    o.timeLimitSeconds = 30;
    std::string body = WebRequest(server.Url("/f"), o);
    auto bar = body.find('|');
    ASSERT_NE(bar, std::string::npos);
    EXPECT_NE(body.substr(0, bar).find("tinyproxy"), std::string::npos) << body.substr(0, bar);
    EXPECT_EQ(body.substr(bar + 1), Pattern(300000));
    EXPECT_EQ(Counted(), static_cast<int32_t>(body.size()));

    // Through the real proxy on port 443 (needs the right to listen there).
    RawServer on443(Direct(), 443);
    if (!on443.ok()) GTEST_SKIP() << "cannot listen on port 443";
    EXPECT_EQ(WebRequest("http://127.0.0.1:443/z", o), "direct");
    ASSERT_EQ(on443.Requests().size(), 1u);
    EXPECT_NE(on443.Requests()[0].find("tinyproxy"), std::string::npos);
}

} // namespace
