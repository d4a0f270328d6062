// A scratch folder as the program's folder, with the headless window layer installed.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/run_state.h"
#include "platform/headless/headless_ui.h"

namespace config_test {

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("xl_config_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        ui_ = std::make_unique<platform::HeadlessUi>(clock_);
        ui_->SetCurrentDirectory(dir_.string());
        platform::InstallServices(ui_.get());
        app::ResetRunState();
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(dir_, ec);
        platform::InstallServices(nullptr);
    }

    std::string Path() const { return (dir_ / "conf.ini").string(); }
    void Put(const std::string& bytes) const {
        std::ofstream(dir_ / "conf.ini", std::ios::binary) << bytes;
    }
    std::string Get() const {
        std::ifstream in(dir_ / "conf.ini", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    platform::HeadlessUi::Clock clock_ = platform::HeadlessUi::Clock::Real;
    std::filesystem::path dir_;
    std::unique_ptr<platform::HeadlessUi> ui_;
};

} // namespace config_test
