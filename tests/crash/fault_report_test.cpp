// Real faults, each in a child process that installs the report the way start-up does.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "crash/crash_report.h"

namespace {

#define XL_NO_SANITIZE __attribute__((noinline, no_sanitize("address", "undefined")))

// Kept in variables so that the compiler sees no constant bad pointer to warn about.
volatile uintptr_t g_address16 = 16;
volatile uintptr_t g_address32 = 32;
XL_NO_SANITIZE int ReadAddress16() {
    return *reinterpret_cast<volatile int*>(g_address16);
}
XL_NO_SANITIZE void WriteAddress32() {
    *reinterpret_cast<volatile int*>(g_address32) = 1;
}
XL_NO_SANITIZE int DivideByZero() {
    volatile int zero = 0;
    volatile int one = 1;
    volatile int quotient = one / zero;
    return quotient;
}
volatile int g_neverDeeper = -1;
XL_NO_SANITIZE int Recurse(int depth) {
    if (depth == g_neverDeeper) return 0;
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    return Recurse(depth + 1) + frame[0];
}

struct ChildResult {
    std::string err;
    int status = 0;
    bool finished = false;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

struct Child {
    pid_t pid = -1;
    int errFd = -1;
};

// Starts `body` in a child with its standard error captured and, unless the body sets one,
// no display.
Child StartChild(const std::function<void()>& body) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        dup2(pipeFds[1], STDERR_FILENO);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        body();
        _exit(99);
    }
    close(pipeFds[1]);
    return {pid, pipeFds[0]};
}

bool StillRunning(const Child& child) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(child.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

// Waits for the child to end, at most `limit`; a child still running then is killed.
ChildResult FinishChild(const Child& child,
                        std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    ChildResult result;
    if (child.pid < 0) return result;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool open = true;
    while (std::chrono::steady_clock::now() < deadline) {
        if (open) {
            pollfd p{child.errFd, POLLIN, 0};
            if (poll(&p, 1, 50) > 0) {
                char buffer[4096];
                const ssize_t n = read(child.errFd, buffer, sizeof buffer);
                if (n > 0)
                    result.err.append(buffer, static_cast<std::size_t>(n));
                else
                    open = false;
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (waitpid(child.pid, &result.status, WNOHANG) == child.pid) {
            result.finished = true;
            break;
        }
    }
    if (!result.finished) {
        kill(child.pid, SIGKILL);
        waitpid(child.pid, &result.status, 0);
    }
    // Whatever the child wrote before it ended.
    fcntl(child.errFd, F_SETFL, O_NONBLOCK);
    char buffer[4096];
    for (ssize_t n; (n = read(child.errFd, buffer, sizeof buffer)) > 0;)
        result.err.append(buffer, static_cast<std::size_t>(n));
    close(child.errFd);
    return result;
}

ChildResult RunChild(const std::function<void()>& body) {
    return FinishChild(StartChild(body));
}

void ExpectEndedBySignalReport(const ChildResult& r, int signal) {
    ASSERT_TRUE(r.finished) << "the faulting process did not end";
    ASSERT_TRUE(WIFEXITED(r.status)) << "ended by signal " << WTERMSIG(r.status) << "\n" << r.err;
    EXPECT_EQ(WEXITSTATUS(r.status), 128 + signal);
}

bool IsHexLine(const std::string& line, const std::string& prefix) {
    return line.size() == prefix.size() + 8 && line.starts_with(prefix) &&
           line.find_first_not_of("0123456789ABCDEF", prefix.size()) == std::string::npos;
}

uint32_t HexField(const std::string& line) {
    return static_cast<uint32_t>(std::stoul(line.substr(line.find("0x") + 2), nullptr, 16));
}

void NoCoreFiles() {
    rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
}

void InstallAsStartUpDoes() {
    crash::InstallCrashReport(crash::ShowCrashReport, 1);
}

TEST(FaultReport, ReadOfAddress16GivesTheSevenLinesAndEndsTheProcess) {
    const ChildResult r = RunChild([] {
        InstallAsStartUpDoes();
        ReadAddress16();
    });
    ExpectEndedBySignalReport(r, SIGSEGV);
    const std::vector<std::string> lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 7u) << r.err;
    EXPECT_EQ(lines[0], "ExceptionCode:\t0xC0000005");
    EXPECT_TRUE(IsHexLine(lines[1], "ExceptionAddress:\t0x")) << lines[1];
    EXPECT_EQ(lines[2], "ExceptionFlags:\t0x00000000");
    EXPECT_EQ(lines[3], "ExceptionRecord:\t0x00000000");
    EXPECT_EQ(lines[4], "NumberParameters:\t0x00000002");
    EXPECT_EQ(lines[5], "ExceptionInformation[1]:  0x00000000");
    EXPECT_EQ(lines[6], "ExceptionInformation[2]:  0x00000010");
    EXPECT_TRUE(r.err.ends_with("\r\n"));
#if defined(__x86_64__) || defined(__i386__) || defined(__aarch64__)
    // The address is the faulting instruction's, inside the routine that read.
    const uint32_t start = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&ReadAddress16));
    EXPECT_GE(HexField(lines[1]) - start, 0u);
    EXPECT_LT(HexField(lines[1]) - start, 4096u) << lines[1];
#endif
}

TEST(FaultReport, WriteIsReportedAsAWrite) {
    const ChildResult r = RunChild([] {
        InstallAsStartUpDoes();
        WriteAddress32();
    });
    ExpectEndedBySignalReport(r, SIGSEGV);
    const std::vector<std::string> lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 7u) << r.err;
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(lines[5], "ExceptionInformation[1]:  0x00000001");
#endif
    EXPECT_EQ(lines[6], "ExceptionInformation[2]:  0x00000020");
}

TEST(FaultReport, DivideByZeroGivesFourLines) {
#if !defined(__x86_64__) && !defined(__i386__)
    GTEST_SKIP() << "integer division by zero does not trap on this processor";
#endif
    const ChildResult r = RunChild([] {
        InstallAsStartUpDoes();
        DivideByZero();
    });
    ExpectEndedBySignalReport(r, SIGFPE);
    const std::vector<std::string> lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 4u) << r.err;
    EXPECT_EQ(lines[0], "ExceptionCode:\t0xC0000094");
    EXPECT_EQ(lines[2], "ExceptionFlags:\t0x00000000");
}

TEST(FaultReport, StackOverflowInAPreparedThreadIsReported) {
    const ChildResult r = RunChild([] {
        InstallAsStartUpDoes();
        std::thread([] {
            crash::PrepareThread();
            Recurse(0);
        }).join();
    });
    ExpectEndedBySignalReport(r, SIGSEGV);
    const std::vector<std::string> lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 7u) << r.err;
    EXPECT_EQ(lines[0], "ExceptionCode:\t0xC00000FD");
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(lines[5], "ExceptionInformation[1]:  0x00000001"); // growing the stack writes
#endif
}

// Two threads faulting together: the first handler waits until the second is in too, so
// both reports are built at the same moment.
std::atomic<int> g_inHandler{0};
int32_t WaitForBoth(crash::ExceptionPointers*, const char*) {
    g_inHandler.fetch_add(1);
    for (int i = 0; i < 2000 && g_inHandler.load() < 2; ++i)
        usleep(1000);
    return crash::kExecuteHandler;
}

TEST(FaultReport, TwoThreadsFaultingTogetherEachGetTheirOwnReport) {
    const ChildResult r = RunChild([] {
        crash::InstallCrashReport(WaitForBoth, 1);
        std::thread a([] {
            crash::PrepareThread();
            ReadAddress16();
        });
        std::thread b([] {
            crash::PrepareThread();
            WriteAddress32();
        });
        a.join();
        b.join();
    });
    ExpectEndedBySignalReport(r, SIGSEGV);
    const std::vector<std::string> lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 14u) << r.err;
    std::vector<std::string> addresses;
    for (std::size_t first : {0u, 7u}) {
        EXPECT_EQ(lines[first], "ExceptionCode:\t0xC0000005");
        EXPECT_EQ(lines[first + 4], "NumberParameters:\t0x00000002");
        addresses.push_back(lines[first + 6]);
    }
    std::sort(addresses.begin(), addresses.end());
    EXPECT_EQ(addresses, (std::vector<std::string>{"ExceptionInformation[2]:  0x00000010",
                                                   "ExceptionInformation[2]:  0x00000020"}));
}

int32_t AskForDefaultHandling(crash::ExceptionPointers*, const char*) {
    return crash::kContinueSearch;
}

TEST(FaultReport, ContinueSearchLeavesTheProcessToTheSystem) {
    const ChildResult r = RunChild([] {
        NoCoreFiles();
        crash::InstallCrashReport(AskForDefaultHandling, 1);
        ReadAddress16();
    });
    ASSERT_TRUE(r.finished);
    ASSERT_TRUE(WIFSIGNALED(r.status));
    EXPECT_EQ(WTERMSIG(r.status), SIGSEGV);
    EXPECT_EQ(Lines(r.err).size(), 7u) << r.err;
}

// The filter's answer shows which report routine is in force.
void ExitWithFilterAnswer() {
    crash::ReportRecord record;
    crash::ExceptionPointers pointers{&record, nullptr};
    _exit(crash::CrashFilter(&pointers) & 0xFF);
}

TEST(FaultReport, FlagZeroKeepsTheRoutineInForce) {
    struct Case {
        const char* name;
        std::function<void()> install;
        int answer;
    };
    const Case cases[] = {
        {"nothing installed before: the default routine, which ends quietly",
         [] { crash::InstallCrashReport(crash::ShowCrashReport, 0); }, crash::kExecuteHandler},
        {"installed before: it stays",
         [] {
             crash::InstallCrashReport(crash::ShowCrashReport, 1);
             crash::InstallCrashReport(nullptr, 0);
         },
         crash::kContinueExecution & 0xFF},
        {"a later install with the flag replaces it",
         [] {
             crash::InstallCrashReport(crash::ShowCrashReport, 1);
             crash::InstallCrashReport(crash::DefaultCrashHandler, 1);
         },
         crash::kExecuteHandler},
    };
    for (const Case& c : cases) {
        const ChildResult r = RunChild([&] {
            c.install();
            ExitWithFilterAnswer();
        });
        ASSERT_TRUE(r.finished && WIFEXITED(r.status)) << c.name;
        EXPECT_EQ(WEXITSTATUS(r.status), c.answer) << c.name;
        EXPECT_EQ(Lines(r.err).size(), 4u) << c.name; // the report still reaches standard error
    }
}

TEST(FaultReport, AnUnreachableDisplayStillEndsTheProcess) {
    for (const char* box : {"/nonexistent/xinglan-crash-box",
#ifdef XL_CRASH_BOX
                            XL_CRASH_BOX
#endif
         }) {
        const ChildResult r = RunChild([box] {
            setenv("DISPLAY", ":65000", 1); // nothing listens there
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            NoCoreFiles(); // the box program gives up with abort()
            crash::SetReportBoxProgram(box);
            InstallAsStartUpDoes();
            ReadAddress16();
        });
        ExpectEndedBySignalReport(r, SIGSEGV);
        EXPECT_TRUE(r.err.starts_with("ExceptionCode:\t0xC0000005\r\n")) << box << "\n" << r.err;
    }
}

// A private X server for the one test that shows the real box.
class VirtualScreen {
public:
    VirtualScreen() {
        if (access("/usr/bin/Xvfb", X_OK) != 0) return;
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
            const std::string fd = std::to_string(fds[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen",
                  "0", "800x600x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes its display number once it accepts clients.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~VirtualScreen() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, p) != nullptr)
            out += buffer;
        pclose(p);
    }
    return out;
}

TEST(FaultReport, TheBoxHoldsTheProcessUntilDismissed) {
#ifndef XL_CRASH_BOX
    GTEST_SKIP() << "the box program is not built";
#else
    if (access("/usr/bin/xdotool", X_OK) != 0) GTEST_SKIP() << "xdotool is not installed";
    VirtualScreen screen;
    if (screen.Display().empty()) GTEST_SKIP() << "no virtual X server (Xvfb)";
    const std::string display = screen.Display();
    const Child child = StartChild([display] {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        crash::SetReportBoxProgram(XL_CRASH_BOX);
        InstallAsStartUpDoes();
        ReadAddress16();
    });
    const std::string xdotool = "DISPLAY=" + display + " /usr/bin/xdotool ";
    std::string window;
    for (int i = 0; i < 400 && window.empty(); ++i) { // a sanitizer build starts slowly
        window = Shell(xdotool + "search --onlyvisible --name '信息：' 2>/dev/null");
        if (window.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_FALSE(window.empty()) << "no box captioned 信息： appeared";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(StillRunning(child)) << "the process ended before the box was dismissed";
    if (!window.empty()) {
        window.erase(window.find('\n'));
        Shell(xdotool + "windowfocus --sync " + window + " key Return 2>/dev/null");
    }
    const ChildResult r = FinishChild(child, std::chrono::seconds(10));
    ExpectEndedBySignalReport(r, SIGSEGV);
    EXPECT_TRUE(r.err.starts_with("ExceptionCode:\t0xC0000005\r\n")) << r.err;
#endif
}

} // namespace
