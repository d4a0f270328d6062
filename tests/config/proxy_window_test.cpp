#include "config/proxy_window.h"

#include "config/config_file.h"
#include "config_fixture.h"

namespace {

using platform::Event;

class ProxyWindow : public config_test::ScratchFolder {
protected:
    void Open() {
        app::RunState().ProxyText.Set("");
        ui_->LoadWindow(config::ProxyForm(), app::kMainWindow, config::ProxyHandlers());
    }
    std::string Port() { return ui_->ReadText(app::kProxyWindow, "编辑框_代理端口"); }
    std::string Address() { return ui_->ReadText(app::kProxyWindow, "编辑框_代理地址"); }
    void Type(const std::string& port, const std::string& address) {
        ui_->WriteText(app::kProxyWindow, "编辑框_代理端口", port);
        ui_->WriteText(app::kProxyWindow, "编辑框_代理地址", address);
    }
    void Confirm() { ASSERT_TRUE(ui_->Fire(app::kProxyWindow, "图形按钮1", Event::Clicked)); }
    std::string Answer() { return app::RunState().ProxyText.Get(); }
};

TEST_F(ProxyWindow, OpensWithDefaultsAndConfirmSavesThem) {
    Open();
    EXPECT_EQ(Address(), "127.0.0.1");
    EXPECT_EQ(Port(), "54321");
    Confirm();
    EXPECT_EQ(Answer(), "127.0.0.1:54321");
    EXPECT_EQ(Get(), "[porxy]\r\nip=127.0.0.1\r\nport=54321\r\n");
}

TEST_F(ProxyWindow, OpensWithTheSavedProxy) {
    Put("[PORXY]\r\nport=8080\r\nip=10.1.2.3\r\n");
    Open();
    EXPECT_EQ(Address(), "10.1.2.3");
    EXPECT_EQ(Port(), "8080");
}

TEST_F(ProxyWindow, ChecksThePortFirstThenTheAddress) {
    const struct {
        const char* port;
        const char* address;
        const char* portAfter;
        const char* addressAfter;
    } cases[] = {
        {"", "", "不正确", ""},                       // the port is reported first
        {"0", "1.2.3.4", "不正确", "1.2.3.4"},
        {"-5", "1.2.3.4", "不正确", "1.2.3.4"},
        {"x", "1.2.3.4", "不正确", "1.2.3.4"},
        {"80", "", "80", "不能为空"},
        {"80", "192.168.1", "80", "无效的IP地址"},
        {"80", "1.2.3.4.5", "80", "无效的IP地址"},
        {"80", "localhost", "80", "无效的IP地址"},
        {"80", "不能为空", "80", "无效的IP地址"},       // a message never passes
        {"80", "１．２．３．４", "80", "无效的IP地址"},  // only the ASCII full stop separates
    };
    for (const auto& c : cases) {
        Open();
        Type(c.port, c.address);
        Confirm();
        EXPECT_EQ(Port(), c.portAfter) << c.port << " / " << c.address;
        EXPECT_EQ(Address(), c.addressAfter) << c.port << " / " << c.address;
        EXPECT_EQ(Answer(), "") << "the window keeps waiting";
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ / "conf.ini")) << "nothing saved";
}

TEST_F(ProxyWindow, AcceptsEveryAddressOfFourPartsAsTyped) {
    const struct {
        const char* port;
        const char* address;
    } cases[] = {
        {"080", "192.168.1.1"}, {"1", "192.168.1.1."}, {"99999", "1..3.4"},
        {"8", "...."},          {"8", "a.b.c.d"},      {"8", "999.999.999.999"},
        {"8", "代.理.地.址"},
    };
    for (const auto& c : cases) {
        Open();
        Type(c.port, c.address);
        Confirm();
        EXPECT_EQ(Answer(), std::string(c.address) + ":" + c.port);
        EXPECT_EQ(config::ReadConfigValue("porxy", "ip", ""), c.address);
        EXPECT_EQ(config::ReadConfigValue("porxy", "port", ""), c.port);
    }
}

TEST_F(ProxyWindow, CloseAbandonsAndWritesNothing) {
    Put("[porxy]\r\nip=1.2.3.4\r\nport=88\r\n");
    Open();
    Type("0", "1.2.3.4");
    Confirm(); // rejected first
    EXPECT_TRUE(ui_->Fire(app::kProxyWindow, "图形按钮2", Event::Clicked));
    EXPECT_EQ(Answer(), "abandon");
    EXPECT_EQ(Get(), "[porxy]\r\nip=1.2.3.4\r\nport=88\r\n");

    Open();
    EXPECT_TRUE(ui_->Fire(app::kProxyWindow, "", Event::CloseRequested));
    EXPECT_EQ(Answer(), "abandon");
}

TEST_F(ProxyWindow, UnwritableFileStillAnswers) {
    std::filesystem::create_directory(dir_ / "conf.ini");
    Open();
    Type("3128", "10.0.0.1");
    Confirm();
    EXPECT_EQ(Answer(), "10.0.0.1:3128");
}

} // namespace
