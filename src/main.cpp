// 星澜测速大师: entry point.
#include "app/startup.h"
#include "platform/qt/qt_ui.h"

int main(int argc, char** argv) {
    platform::QtUi ui(argc, argv);
    platform::InstallServices(&ui);
    return app::StartUp();
}
