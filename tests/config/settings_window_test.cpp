#include "config/settings_window.h"

#include <httplib.h>

#include <array>
#include <atomic>
#include <thread>

#include "config/config_file.h"
#include "config_fixture.h"

namespace {

using platform::Event;
using platform::Prop;

constexpr std::array<const char*, 6> kNodeBoxes = {
    "编辑框_国内节点1", "编辑框_国内节点2", "编辑框_国内节点3",
    "编辑框_国外节点1", "编辑框_国外节点2", "编辑框_国外节点3"};

// A loopback node: /size/<n> answers with n body bytes.
class Node {
public:
    Node() {
        server_.Get(R"(/size/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
            ++requests_;
            if (onRequest_) onRequest_();
            res.set_content(std::string(std::stoul(req.matches[1]), 'x'),
                            "application/octet-stream");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() does nothing before the loop runs, so wait for it (bounded).
        for (int i = 0; i < 5000 && !server_.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Node() {
        server_.stop();
        thread_.join();
    }
    std::string Url(size_t bytes) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/size/" + std::to_string(bytes);
    }
    int Requests() const { return requests_.load(); }
    std::function<void()> onRequest_;

private:
    httplib::Server server_;
    int port_ = -1;
    std::atomic<int> requests_{0};
    std::thread thread_;
};

class SettingsWindow : public config_test::ScratchFolder {
protected:
    void SetUp() override {
        // Virtual clock: the 1000 and 1500 ms pauses and the 10 ms chunk pauses cost nothing.
        clock_ = platform::HeadlessUi::Clock::Virtual;
        ScratchFolder::SetUp();
        LoadCountDown();
    }
    void Open() {
        app::RunState().SettingsOpen = 1;
        ui_->LoadWindow(config::SettingsForm(), app::kMainWindow, config::SettingsHandlers());
        ui_->ClearWrites();
    }
    void Type(std::string_view box, const std::string& text) {
        ui_->WriteText(app::kSettingsWindow, box, text);
    }
    void TypeNodes(const std::array<std::string, 6>& urls) {
        for (size_t i = 0; i < 6; ++i) Type(kNodeBoxes[i], urls[i]);
    }
    void AllNodes(size_t bytes) { TypeNodes({Url(bytes), Url(bytes), Url(bytes), Url(bytes), Url(bytes), Url(bytes)}); }
    std::string Url(size_t bytes) const { return node_.Url(bytes); }
    std::string Box(std::string_view box) { return ui_->ReadText(app::kSettingsWindow, box); }
    void Confirm() {
        ASSERT_TRUE(ui_->Fire(app::kSettingsWindow, "图形按钮1", Event::Clicked));
    }
    // The texts written into one control, in order.
    std::vector<std::string> TextsOf(std::string_view window, std::string_view control) {
        std::vector<std::string> texts;
        for (const auto& w : ui_->Writes())
            if (w.prop == Prop::Text && w.window == window && w.control == control)
                texts.push_back(w.text);
        return texts;
    }
    std::vector<std::string> Progress() {
        return TextsOf(app::kSettingsWindow, "编辑框_设置进度");
    }

    Node node_;
};

TEST_F(SettingsWindow, ConfirmWithGoodNodesSavesEverything) {
    Put("; kept\r\n[time]\r\ntime=15\r\n");
    Open();
    Type("编辑框_测速秒数", "030");
    AllNodes(51200);
    Type("编辑框_国外节点3", Url(60000));
    std::array<int, 6> enabledDuringCheck{};
    node_.onRequest_ = [&, i = 0]() mutable {
        enabledDuringCheck[static_cast<size_t>(i++ % 6)] =
            ui_->ReadNumber(app::kSettingsWindow, "图形按钮1", Prop::Enabled) +
            ui_->ReadNumber(app::kSettingsWindow, "图形按钮2", Prop::Enabled);
    };
    Confirm();

    EXPECT_EQ(Progress(), (std::vector<std::string>{"20%", "35%", "50%", "65%", "80%", "95%",
                                                    "100%", "OK"}));
    EXPECT_EQ(node_.Requests(), 6);
    EXPECT_EQ(enabledDuringCheck, (std::array<int, 6>{})) << "both buttons off during checks";
    EXPECT_EQ(ui_->ReadNumber(app::kSettingsWindow, "图形按钮1", Prop::Enabled), 1);
    EXPECT_EQ(ui_->ReadNumber(app::kSettingsWindow, "图形按钮2", Prop::Enabled), 1);
    auto delays = ui_->Delays();
    ASSERT_GE(delays.size(), 2u);
    EXPECT_EQ(delays[delays.size() - 2], 1000);
    EXPECT_EQ(delays.back(), 1500);
    EXPECT_EQ(ui_->ReadNumber(app::kSettingsWindow, "编辑框_设置进度", Prop::Visible), 0);
    EXPECT_EQ(app::RunState().SettingsOpen.load(), 0);
    EXPECT_EQ(app::RunState().TestSeconds.load(), 30);
    EXPECT_EQ(CountDown(), "30");

    std::string n = Url(51200);
    EXPECT_EQ(Get(), "; kept\r\n[time]\r\ntime=030\r\n[DomesticNode]\r\nURL_1=" + n +
                         "\r\nURL_2=" + n + "\r\nURL_3=" + n + "\r\n[AbroadNode]\r\nURL_1=" + n +
                         "\r\nURL_2=" + n + "\r\nURL_3=" + Url(60000) + "\r\n");
}

TEST_F(SettingsWindow, SecondsBelowFiveEndTheWindowBeforeAnyNode) {
    for (const char* seconds : {"4", "", "-", "abc", "-30", "０"}) {
        Open();
        Type("编辑框_测速秒数", seconds);
        AllNodes(51200);
        app::RunState().TestSeconds = 15;
        Confirm();
        EXPECT_EQ(Box("编辑框_测速秒数"), "不能小于【 5 】秒") << seconds;
        EXPECT_EQ(app::RunState().SettingsOpen.load(), 0);
        EXPECT_EQ(app::RunState().TestSeconds.load(), 15);
        EXPECT_TRUE(Progress().empty());
        EXPECT_EQ(ui_->ReadNumber(app::kSettingsWindow, "编辑框_设置进度", Prop::Visible), 1);
    }
    EXPECT_EQ(node_.Requests(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "conf.ini"));
}

TEST_F(SettingsWindow, FiveAndEightNinesPass) {
    for (const char* seconds : {"5", "99999999"}) {
        Open();
        Type("编辑框_测速秒数", seconds);
        AllNodes(51200);
        Confirm();
        EXPECT_EQ(app::RunState().TestSeconds.load(), std::stoi(seconds));
        EXPECT_EQ(CountDown(), seconds);
        EXPECT_EQ(config::ReadConfigValue("time", "time", ""), seconds);
    }
}

TEST_F(SettingsWindow, FirstFailingNodeStopsTheChecks) {
    const std::string before = "[time]\r\ntime=20\r\n";
    const struct {
        size_t box;
        std::string url;
        const char* lastProgress;
    } cases[] = {
        {0, Url(51199), "20%"},
        {2, "http://127.0.0.1:1/", "50%"},
        {3, "", "65%"},
        {5, Url(0), "95%"},
    };
    for (const auto& c : cases) {
        Put(before);
        Open();
        AllNodes(51200);
        Type(kNodeBoxes[c.box], c.url);
        int requestsBefore = node_.Requests();
        app::RunState().TestSeconds = 20;
        Confirm();
        EXPECT_EQ(Progress().back(), c.lastProgress) << c.box;
        EXPECT_EQ(Box(kNodeBoxes[c.box]), "无效的测速节点") << c.box;
        for (size_t later = c.box + 1; later < 6; ++later)
            EXPECT_EQ(Box(kNodeBoxes[later]), Url(51200)) << "later nodes untouched";
        int tried = node_.Requests() - requestsBefore;
        EXPECT_EQ(static_cast<size_t>(tried), c.url.find("/size/") != std::string::npos
                                                  ? c.box + 1
                                                  : c.box)
            << "later nodes are not tried";
        EXPECT_EQ(app::RunState().SettingsOpen.load(), 0);
        EXPECT_EQ(app::RunState().TestSeconds.load(), 20);
        EXPECT_EQ(Get(), before);
        EXPECT_EQ(ui_->ReadNumber(app::kSettingsWindow, "图形按钮1", Prop::Enabled), 1);
    }
}

TEST_F(SettingsWindow, CloseSavesNothing) {
    Put("[time]\r\ntime=20\r\n");
    app::RunState().TestSeconds = 20;
    for (auto [control, event] : {std::pair{"图形按钮2", Event::Clicked},
                                  std::pair{"", Event::CloseRequested}}) {
        Open();
        Type("编辑框_测速秒数", "9");
        EXPECT_TRUE(ui_->Fire(app::kSettingsWindow, control, event));
        EXPECT_EQ(app::RunState().SettingsOpen.load(), 0);
    }
    EXPECT_EQ(app::RunState().TestSeconds.load(), 20);
    EXPECT_EQ(Get(), "[time]\r\ntime=20\r\n");
    EXPECT_EQ(node_.Requests(), 0);
}

TEST_F(SettingsWindow, EditsMadeDuringTheChecksAreWhatIsSaved) {
    Open();
    AllNodes(51200);
    // A click arriving during a wait: the user changes the seconds box while checks run.
    ui_->Post([this] { Type("编辑框_测速秒数", "45"); });
    Confirm();
    EXPECT_EQ(app::RunState().TestSeconds.load(), 45);
    EXPECT_EQ(config::ReadConfigValue("time", "time", ""), "45");
}

} // namespace
