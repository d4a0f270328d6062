#include "app/main_form.h"

#include "app/run_state.h"

namespace app {

using platform::Align;
using platform::ControlSpec;
using platform::Kind;

namespace {

ControlSpec Button(std::string_view name, int x, int y, int w, std::string_view picture) {
    return {.name = name, .kind = Kind::PictureButton, .left = x, .top = y, .width = w,
            .height = 60, .handCursor = true, .picture = picture};
}

// Every edit box on the main window is a centred read-only display.
ControlSpec Display(std::string_view name, int x, int y, int w, int h, std::string_view text,
                    bool visible = true) {
    return {.name = name, .kind = Kind::EditBox, .left = x, .top = y, .width = w, .height = h,
            .text = text, .visible = visible, .align = Align::Center, .readOnly = true};
}

ControlSpec Caption(std::string_view name, int x, int y, std::string_view text) {
    return {.name = name, .kind = Kind::Label, .left = x, .top = y, .width = 72, .height = 30,
            .text = text, .visible = false};
}

} // namespace

const platform::Form& MainForm() {
    static const platform::Form form{
        .name = kMainWindow,
        .caption = "星澜测速大师",
        .left = 50,
        .top = 50,
        .width = 632,
        .height = 400,
        .background = "main_background.jpg",
        .controls =
            {
                Button("图形按钮_代理国外测速", 29, 9, 200, "btn_proxy_abroad"),
                Button("图形按钮_本地国外测速", 233, 32, 200, "btn_direct_abroad"),
                Button("图形按钮_本地国内测速", 235, 306, 200, "btn_direct_domestic"),
                Button("图形按钮_代理国内测速", 26, 344, 200, "btn_proxy_domestic"),
                Button("图形按钮_设置", 198, 233, 80, "btn_settings"),
                Button("图形按钮_退出", 199, 111, 80, "btn_exit"),
                {.name = "动画框1", .kind = Kind::AnimationBox, .left = 279, .top = 103,
                 .width = 195, .height = 195},
                Display("编辑框_实时速率", 499, 191, 66, 13, "0 kb/s"),
                Display("编辑框_速度评估", 509, 166, 49, 16, "评估"),
                Display("编辑框_得出带宽", 509, 217, 49, 16, "000/M"),
                Display("编辑框_倒计时", 578, 192, 16, 16, "0"),
                {.name = "动画框2", .kind = Kind::AnimationBox, .left = 345, .top = 111,
                 .width = 195, .height = 195, .visible = false, .handCursor = true,
                 .picture = "result_panel.jpg"},
                Caption("标签1", 355, 173, "网速等级："),
                Display("编辑框_评估网速等级", 430, 173, 103, 30, "", false),
                Caption("标签2", 355, 212, "平均带宽："),
                Display("编辑框_评估平均带宽", 430, 212, 103, 30, "", false),
                Caption("标签3", 355, 256, "中国排名："),
                Display("编辑框_评估中国排名", 430, 256, 103, 30, "", false),
            },
    };
    return form;
}

} // namespace app
