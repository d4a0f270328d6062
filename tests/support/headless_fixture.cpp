#include "support/headless_fixture.h"

#include <atomic>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "app/main_form.h"
#include "app/startup.h"

namespace testing_support {

TempDir::TempDir() {
    static std::atomic<int> serial{0};
    path_ = std::filesystem::temp_directory_path() /
            ("xl-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

HeadlessTest::HeadlessTest(platform::HeadlessUi::Clock clock,
                           platform::HeadlessUi::Threads threads)
    : ui_(std::make_unique<platform::HeadlessUi>(clock, threads)) {
    ui_->SetCurrentDirectory(dir_.path().string());
    platform::InstallServices(ui_.get());
    app::ResetRunState();
    app::CreateSharedObjects();
    app::RunState().Counter->Exchange(0);
}

HeadlessTest::~HeadlessTest() {
    platform::InstallServices(nullptr);
}

void HeadlessTest::LoadBareMainWindow() { ui_->LoadWindow(app::MainForm(), {}, {}); }

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace testing_support
