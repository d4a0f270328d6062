#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/ui.h"

namespace platform {
namespace {
std::atomic<Ui*> g_services{nullptr};
}

Ui& Services() {
    Ui* ui = g_services.load(std::memory_order_acquire);
    if (ui == nullptr) {
        std::fputs("window services used before they were installed\n", stderr);
        std::abort();
    }
    return *ui;
}

void InstallServices(Ui* ui) { g_services.store(ui, std::memory_order_release); }

} // namespace platform
