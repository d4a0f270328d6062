// Twenty WebRequest downloads (body not kept) for ten seconds against a loopback node, beside
// twenty curl processes fetching the same files: throughput, CPU per GB and peak memory.
//
//   http_download_bench [--threads 20] [--seconds 10] [--node URL] [--no-curl]
//
// Without --node a native sender runs in a child process, so its CPU is not counted.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/run_state.h"
#include "http/web_request.h"
#include "measure/byte_counter.h"
#include "platform/headless/headless_ui.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint64_t kFileSize = 64ull << 30; // longer than any ten-second run can fetch

// --- the node: a plain sender in a child process ------------------------------------------

void ServeConnection(int fd) {
    static const std::string block(1 << 20, 'x');
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            ::close(fd);
            return;
        }
        request.append(buf, static_cast<std::size_t>(n));
    }
    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                       "Content-Length: " + std::to_string(kFileSize) + "\r\nConnection: close\r\n\r\n";
    if (::send(fd, head.data(), head.size(), MSG_NOSIGNAL) > 0) {
        uint64_t left = kFileSize;
        while (left > 0) {
            ssize_t n = ::send(fd, block.data(), std::min<uint64_t>(left, block.size()), MSG_NOSIGNAL);
            if (n <= 0) break;
            left -= static_cast<uint64_t>(n);
        }
    }
    ::close(fd);
}

// Returns the child's pid; *port receives the port it listens on.
pid_t StartNode(int* port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 128) != 0) {
        std::perror("node");
        std::exit(1);
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *port = ntohs(addr.sin_port);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGPIPE, SIG_IGN);
        for (;;) {
            int c = ::accept(fd, nullptr, nullptr);
            if (c >= 0) std::thread(ServeConnection, c).detach();
        }
    }
    ::close(fd);
    return pid;
}

// --- measuring -----------------------------------------------------------------------------

double CpuSeconds(int who) {
    rusage u{};
    ::getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long PeakRssKb() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

struct Figures {
    double seconds = 0, bytes = 0, cpu = 0;
    double MBps() const { return bytes / seconds / 1e6; }
    double CpuPerGB() const { return bytes > 0 ? cpu / (bytes / 1e9) : 0; }
};

Figures RunWebRequests(const std::string& url, int threads, int seconds) {
    measure::ByteCounter* counter = app::RunState().Counter;
    counter->Exchange(0);
    std::atomic<int> running{threads};
    double cpu0 = CpuSeconds(RUSAGE_SELF);
    auto start = Clock::now();
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i)
        workers.emplace_back([&] {
            http::WebRequestOptions o;
            o.timeLimitSeconds = seconds;
            o.keepBody = false;
            http::WebRequest(url, o);
            --running;
        });
    // The shared counter is 32 bits wide; sampling it often keeps the total right past 2 GB.
    uint64_t total = 0;
    uint32_t last = 0;
    while (running > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        uint32_t now = static_cast<uint32_t>(counter->Read());
        total += now - last;
        last = now;
    }
    for (auto& w : workers) w.join();
    total += static_cast<uint32_t>(counter->Read()) - last;
    Figures f;
    f.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    f.cpu = CpuSeconds(RUSAGE_SELF) - cpu0;
    f.bytes = static_cast<double>(total);
    return f;
}

// rateLimit 0: as fast as curl goes; else curl's own --limit-rate in bytes per second.
Figures RunCurl(const std::string& url, int threads, int seconds, long rateLimit) {
    double cpu0 = CpuSeconds(RUSAGE_CHILDREN);
    auto start = Clock::now();
    std::string command = "curl -s -o /dev/null --max-time " + std::to_string(seconds) +
                          (rateLimit > 0 ? " --limit-rate " + std::to_string(rateLimit) : "") +
                          " -w '%{size_download}' '" + url + "'";
    std::vector<FILE*> pipes;
    for (int i = 0; i < threads; ++i) pipes.push_back(::popen(command.c_str(), "r"));
    Figures f;
    for (FILE* p : pipes) {
        if (p == nullptr) continue;
        char line[64] = {};
        if (std::fgets(line, sizeof line, p)) f.bytes += std::strtod(line, nullptr);
        ::pclose(p);
    }
    f.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    f.cpu = CpuSeconds(RUSAGE_CHILDREN) - cpu0;
    return f;
}

} // namespace

int main(int argc, char** argv) {
    int threads = 20, seconds = 10;
    bool withCurl = true;
    std::string url;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--threads" && i + 1 < argc) threads = std::atoi(argv[++i]);
        else if (a == "--seconds" && i + 1 < argc) seconds = std::atoi(argv[++i]);
        else if (a == "--node" && i + 1 < argc) url = argv[++i];
        else if (a == "--no-curl") withCurl = false;
        else {
            std::fprintf(stderr, "usage: %s [--threads N] [--seconds S] [--node URL] [--no-curl]\n", argv[0]);
            return 2;
        }
    }
    pid_t node = -1;
    if (url.empty()) {
        int port = 0;
        node = StartNode(&port);
        url = "http://127.0.0.1:" + std::to_string(port) + "/test.bin";
    }

    platform::HeadlessUi ui(platform::HeadlessUi::Clock::Real, platform::HeadlessUi::Threads::Run);
    platform::InstallServices(&ui);
    app::RunState().Counter = new measure::ByteCounter();
    http::InitHttp();
    long rssBefore = PeakRssKb();

    Figures ours = RunWebRequests(url, threads, seconds);
    long rssPeak = PeakRssKb();
    const double ceiling = threads * 102400.0 / 0.010 / 1e6;
    std::printf("node: %s\n", url.c_str());
    std::printf("WebRequest x%d, %d s: %.1f MB/s (%.1f%% of the %.1f MB/s pacing ceiling), "
                "%.0f MB in %.2f s\n",
                threads, seconds, ours.MBps(), 100.0 * ours.MBps() / ceiling, ceiling,
                ours.bytes / 1e6, ours.seconds);
    std::printf("  CPU %.2f s = %.3f CPU s per GB; peak RSS %.1f MB (%.1f MB before the requests)\n",
                ours.cpu, ours.CpuPerGB(), rssPeak / 1024.0, rssBefore / 1024.0);

    if (withCurl) {
        Figures curl = RunCurl(url, threads, seconds, 0);
        std::printf("curl x%d, %d s:       %.1f MB/s, %.0f MB in %.2f s, CPU %.2f s = %.3f CPU s per GB\n",
                    threads, seconds, curl.MBps(), curl.bytes / 1e6, curl.seconds, curl.cpu,
                    curl.CpuPerGB());
        if (curl.CpuPerGB() > 0)
            std::printf("CPU per GB, WebRequest / curl: %.2f (goal <= 1.30)\n",
                        ours.CpuPerGB() / curl.CpuPerGB());
        // The same pace as one paced WebRequest, for a like-for-like look at the cost of
        // reading a little at a time.
        const long pace = 102400L * 100;
        Figures paced = RunCurl(url, threads, seconds, pace);
        std::printf("curl --limit-rate %ld x%d: %.1f MB/s, CPU %.2f s = %.3f CPU s per GB; "
                    "WebRequest / paced curl: %.2f\n",
                    pace, threads, paced.MBps(), paced.cpu, paced.CpuPerGB(),
                    paced.CpuPerGB() > 0 ? ours.CpuPerGB() / paced.CpuPerGB() : 0.0);
    }
    std::printf("goals: throughput >= 90%% of ceiling: %s; peak RSS < 40 MB: %s\n",
                ours.MBps() >= 0.9 * ceiling ? "met" : "MISSED",
                rssPeak < 40 * 1024 ? "met" : "MISSED");
    if (node > 0) {
        ::kill(node, SIGTERM);
        ::waitpid(node, nullptr, 0);
    }
    return 0;
}
