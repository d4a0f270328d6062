// A headless main window with the dial and the rating boxes, on a virtual clock.
#pragma once
#include <gtest/gtest.h>

#include "app/run_state.h"
#include "measure/dial_frames.h"
#include "platform/form.h"
#include "platform/headless/headless_ui.h"

namespace measure::testing {

inline const platform::Form& MinimalMainForm() {
    using platform::Kind;
    static const platform::Form form{
        app::kMainWindow, "星澜测速大师", 100, 100, 600, 400, "",
        {
            {"动画框1", Kind::AnimationBox, 10, 10, 195, 195},
            {"编辑框_速度评估", Kind::EditBox, 220, 10, 100, 20},
            {"编辑框_评估网速等级", Kind::EditBox, 220, 40, 100, 20},
            {"编辑框_评估平均带宽", Kind::EditBox, 220, 70, 100, 20},
            {"编辑框_评估中国排名", Kind::EditBox, 220, 100, 100, 20},
        }};
    return form;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::InstallServices(&ui_);
        ui_.LoadWindow(MinimalMainForm(), "", {});
        ui_.ClearWrites();
        savedFrames_ = app::RunState().DialFrames;
        app::RunState().DialFrames = &frames_;
    }
    void TearDown() override {
        app::RunState().DialFrames = savedFrames_;
        platform::InstallServices(nullptr);
    }

    platform::HeadlessUi ui_{platform::HeadlessUi::Clock::Virtual};
    measure::DialFrames frames_;

private:
    measure::DialFrames* savedFrames_ = nullptr;
};

} // namespace measure::testing
