// The Qt window layer under the offscreen platform: forms, cross-thread writes, delays.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMetaObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/delay.h"
#include "app/main_form.h"
#include "app/run_state.h"
#include "platform/qt/qt_ui.h"

namespace {

using app::kMainWindow;
using platform::Event;
using platform::Prop;

platform::QtUi* g_ui = nullptr;

TEST(QtBackend, BuildsTheMainFormWithItsControlsInPlace) {
    g_ui->LoadWindow(app::MainForm(), {}, {});
    EXPECT_EQ(g_ui->ReadNumber(kMainWindow, {}, Prop::Width), 632);
    EXPECT_EQ(g_ui->ReadNumber(kMainWindow, {}, Prop::Height), 400);
    EXPECT_EQ(g_ui->ReadText(kMainWindow, {}), "星澜测速大师");
    EXPECT_EQ(g_ui->ReadNumber(kMainWindow, "编辑框_实时速率", Prop::Left), 499);
    EXPECT_EQ(g_ui->ReadNumber(kMainWindow, "编辑框_实时速率", Prop::Top), 191);
    EXPECT_EQ(g_ui->ReadText(kMainWindow, "编辑框_得出带宽"), "000/M");
    EXPECT_EQ(g_ui->ReadNumber(kMainWindow, "动画框2", Prop::Visible), 0);
    EXPECT_EQ(g_ui->ReadNumber(kMainWindow, "动画框1", Prop::Visible), 1);
    auto* rate = qobject_cast<QLineEdit*>(g_ui->Widget(kMainWindow, "编辑框_实时速率"));
    ASSERT_NE(rate, nullptr);
    EXPECT_TRUE(rate->isReadOnly());
    EXPECT_EQ(rate->alignment(), Qt::AlignCenter);
}

TEST(QtBackend, WritesFromAnotherThreadHaveTakenEffectWhenTheCallReturns) {
    g_ui->LoadWindow(app::MainForm(), {}, {});
    std::thread monitor([] {
        for (int i = 0; i < 50; ++i) {
            g_ui->WriteText(kMainWindow, "编辑框_实时速率", std::to_string(i) + " kb/s");
            EXPECT_EQ(g_ui->ReadText(kMainWindow, "编辑框_实时速率"), std::to_string(i) + " kb/s");
            g_ui->WriteNumber(kMainWindow, {}, Prop::Left, i);
            EXPECT_EQ(g_ui->ReadNumber(kMainWindow, {}, Prop::Left), i);
        }
    });
    // The user-interface thread keeps dispatching while the other thread writes.
    while (g_ui->ReadText(kMainWindow, "编辑框_实时速率") != "49 kb/s") app::DelayWithEvents(5);
    monitor.join();
}

TEST(QtBackend, AClickDuringADelayRunsItsHandlerBeforeTheDelayReturns) {
    std::atomic<bool> clicked{false};
    g_ui->LoadWindow(app::MainForm(), {},
                     {{"图形按钮_设置", Event::Clicked, [&] { clicked = true; }}});
    QTimer::singleShot(20, [] {
        auto* button = g_ui->Widget(kMainWindow, "图形按钮_设置");
        QMetaObject::invokeMethod(button, "click");
    });
    const auto start = std::chrono::steady_clock::now();
    app::DelayWithEvents(100);
    EXPECT_TRUE(clicked);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

TEST(QtBackend, TypingLimitsDoNotCutTextsThatTheProgramWrites) {
    static const platform::Form form{
        .name = "Limits", .caption = "", .left = 0, .top = 0, .width = 200, .height = 100,
        .background = "",
        .controls = {{.name = "port", .kind = platform::Kind::EditBox, .left = 0, .top = 0,
                      .width = 100, .height = 30, .filter = platform::Filter::Integer,
                      .maxLength = 5}}};
    g_ui->LoadWindow(form, {}, {});
    g_ui->WriteText("Limits", "port", "不正确 and longer");
    EXPECT_EQ(g_ui->ReadText("Limits", "port"), "不正确 and longer");
    auto* edit = qobject_cast<QLineEdit*>(g_ui->Widget("Limits", "port"));
    edit->clear();
    for (QChar c : QString("12a-34567")) edit->insert(QString(c));
    EXPECT_EQ(edit->text(), "12-34");
    g_ui->DestroyWindow("Limits");
    EXPECT_FALSE(g_ui->IsLoaded("Limits"));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::QtUi ui(argc, argv);
    g_ui = &ui;
    platform::InstallServices(&ui);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(nullptr);
    std::_Exit(result); // Qt objects of the tests go with the process
}
