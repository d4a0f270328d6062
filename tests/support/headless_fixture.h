// A test fixture with the in-memory window layer installed and a fresh run state.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/run_state.h"
#include "platform/headless/headless_ui.h"

namespace testing_support {

// A temporary folder removed at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

class HeadlessTest : public ::testing::Test {
protected:
    explicit HeadlessTest(platform::HeadlessUi::Clock clock = platform::HeadlessUi::Clock::Virtual,
                          platform::HeadlessUi::Threads threads = platform::HeadlessUi::Threads::Collect);
    ~HeadlessTest() override;

    // Loads the real main window form with no handlers (nothing runs on Created).
    void LoadBareMainWindow();

    std::unique_ptr<platform::HeadlessUi> ui_;
    TempDir dir_;
};

std::string ReadFile(const std::filesystem::path& p);

} // namespace testing_support
