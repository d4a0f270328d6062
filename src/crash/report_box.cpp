#include "crash/crash_report.h"
#include "crash/fault_hook.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace crash {

#ifdef _WIN32

namespace detail {
void FindReportBoxes() {}
} // namespace detail

void SetReportBoxProgram(const char* /*path*/) {}

int32_t ShowCrashReport(ExceptionPointers* /*pointers*/, const char* report) {
    // The report is plain ASCII; the caption is not, so the wide call is used.
    wchar_t text[kReportCapacity];
    std::size_t i = 0;
    for (; report[i] != '\0' && i + 1 < kReportCapacity; ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(report[i]));
    text[i] = L'\0';
    MessageBoxW(nullptr, text, L"信息：", MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
    return kContinueExecution;
}

#else

namespace {

// Filled before any fault, read by the faulting thread: plain buffers, no allocation.
char g_boxProgram[PATH_MAX];
char g_xmessage[PATH_MAX];

template <std::size_t N> void CopyText(char (&to)[N], const char* from) {
    std::size_t i = 0;
    for (; from[i] != '\0' && i + 1 < N; ++i)
        to[i] = from[i];
    to[i] = '\0';
}

bool Set(const char* name) {
    const char* value = getenv(name);
    return value != nullptr && value[0] != '\0';
}

// A box needs a screen; a program told to draw off-screen has none a person could see.
bool DisplayAvailable() {
    const char* platform = getenv("QT_QPA_PLATFORM");
    if (platform != nullptr &&
        (strncmp(platform, "offscreen", 9) == 0 || strncmp(platform, "minimal", 7) == 0))
        return false;
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

pid_t ForkForBox() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Unlike fork(), runs no fork handlers and takes no allocator lock that the faulting
    // thread or another one might hold.
    return _Fork();
#else
    return fork();
#endif
}

// Runs a box program and waits until the user has closed it. Returns false when it could
// not be started.
bool RunBox(const char* program, char* const argv[]) {
    const pid_t child = ForkForBox();
    if (child < 0) return false;
    if (child == 0) {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        // A box whose program has gone is no use to anyone.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        execv(program, argv);
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return true;
    }
    return !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
}

} // namespace

namespace detail {

void FindReportBoxes() {
    if (g_boxProgram[0] == '\0') {
        char self[PATH_MAX];
        const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        if (length > 0) {
            std::string path(self, static_cast<std::size_t>(length));
            path.erase(path.find_last_of('/') + 1);
            CopyText(g_boxProgram, (path + "xinglan-crash-box").c_str());
        }
    }
    // The stock X11 message box stands in where our own box program is missing.
    const char* searchPath = getenv("PATH");
    std::string dirs = searchPath != nullptr ? searchPath : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string candidate = dir + "/xmessage";
        if (access(candidate.c_str(), X_OK) == 0) {
            CopyText(g_xmessage, candidate.c_str());
            break;
        }
        start = end + 1;
    }
}

} // namespace detail

void SetReportBoxProgram(const char* path) {
    CopyText(g_boxProgram, path != nullptr ? path : "");
}

int32_t ShowCrashReport(ExceptionPointers* /*pointers*/, const char* report) {
    if (!DisplayAvailable()) return kContinueExecution;
    char caption[] = "信息：";
    char text[kReportCapacity];
    CopyText(text, report);
    if (g_boxProgram[0] != '\0' && access(g_boxProgram, X_OK) == 0) {
        char* const argv[] = {g_boxProgram, text, nullptr};
        if (RunBox(g_boxProgram, argv)) return kContinueExecution;
    }
    if (g_xmessage[0] != '\0') {
        // xmessage draws a carriage return as a glyph of its own; lines end in LF alone.
        std::size_t kept = 0;
        for (std::size_t i = 0; text[i] != '\0'; ++i)
            if (text[i] != '\r') text[kept++] = text[i];
        text[kept] = '\0';
        char title[] = "-title";
        char center[] = "-center";
        char buttons[] = "-buttons";
        char ok[] = "OK:0";
        char defaultButton[] = "-default";
        char okName[] = "OK";
        char* const argv[] = {g_xmessage, title,         caption, center, buttons,
                              ok,         defaultButton, okName,  text,   nullptr};
        RunBox(g_xmessage, argv);
    }
    return kContinueExecution;
}

#endif

} // namespace crash
