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
        app::RunState().Counter = &counter_;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(dir_, ec);
        app::RunState().Counter = nullptr;
        counter_.Destroy();
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

    // The main window with only its count-down box, which the settings reach into.
    void LoadCountDown() {
        static const platform::Form form{
            .name = app::kMainWindow, .caption = "", .left = 0, .top = 0, .width = 632,
            .height = 400, .background = "",
            .controls = {{.name = "编辑框_倒计时", .kind = platform::Kind::EditBox, .left = 578,
                          .top = 192, .width = 16, .height = 16, .text = "0"}}};
        ui_->LoadWindow(form, "", {});
    }
    std::string CountDown() { return ui_->ReadText(app::kMainWindow, "编辑框_倒计时"); }

    platform::HeadlessUi::Clock clock_ = platform::HeadlessUi::Clock::Real;
    std::filesystem::path dir_;
    std::unique_ptr<platform::HeadlessUi> ui_;
    measure::ByteCounter counter_;
};

} // namespace config_test
