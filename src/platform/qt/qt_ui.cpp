#include "platform/qt/qt_ui.h"

#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <future>

#include "crash/crash_report.h"
#include "platform/asset_table.h"
#include "platform/qt/form_window.h"

namespace platform {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Embedded pictures live as long as the program, so their decoded form can be kept.
bool IsEmbedded(Bytes bytes) {
    for (const AssetEntry* e = kAssetTable; e->name != nullptr; ++e)
        if (bytes.data() >= e->data && bytes.data() + bytes.size() <= e->data + e->size)
            return true;
    return false;
}

// Decodes and scales a picture for a box of the given size; safe on any thread.
QImage ScaledPicture(Bytes bytes, QSize size) {
    static std::mutex cacheMutex;
    static std::map<std::pair<const unsigned char*, qint64>, QImage> cache;
    const bool embedded = IsEmbedded(bytes);
    const auto key = std::make_pair(bytes.data(), (qint64(size.width()) << 32) | size.height());
    if (embedded) {
        std::lock_guard lock(cacheMutex);
        auto it = cache.find(key);
        if (it != cache.end()) return it->second;
    }
    QImage image;
    image.loadFromData(bytes.data(), static_cast<int>(bytes.size()));
    if (!image.isNull() && size.isValid() && image.size() != size)
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (embedded) {
        std::lock_guard lock(cacheMutex);
        cache.emplace(key, image);
    }
    return image;
}

} // namespace

QtUi::QtUi(int& argc, char** argv) {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs, false);
    app_ = std::make_unique<QApplication>(argc, argv);
    app_->setQuitOnLastWindowClosed(false);
    // Every conf.ini access is relative to the program's own folder.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    for (const char* family : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans SC"}) {
        if (QFontDatabase::families().contains(family)) {
            QFont f(family);
            f.setPixelSize(12);
            QApplication::setFont(f);
            break;
        }
    }
}

QtUi::~QtUi() = default;

bool QtUi::IsUiThread() { return QThread::currentThread() == app_->thread(); }

void QtUi::OnUi(const std::function<void()>& f) {
    if (IsUiThread()) {
        f();
        return;
    }
    // Queued to the user-interface thread; the caller waits on a promise rather than on
    // Qt's blocking connection, so the hand-over is visible to thread sanitizers as well.
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    QMetaObject::invokeMethod(
        app_.get(),
        [&f, &done] {
            f();
            done.set_value();
        },
        Qt::QueuedConnection);
    finished.wait();
}

QWidget* QtUi::Widget(std::string_view window, std::string_view control) const {
    auto it = windows_.find(window);
    if (it == windows_.end()) return nullptr;
    return control.empty() ? it->second : it->second->Control(control);
}

int QtUi::ReadNumber(std::string_view window, std::string_view control, Prop p) {
    int value = 0;
    OnUi([&] {
        QWidget* w = Widget(window, control);
        if (w == nullptr) return;
        switch (p) {
        case Prop::Left: value = w->x(); break;
        case Prop::Top: value = w->y(); break;
        case Prop::Width: value = w->width(); break;
        case Prop::Height: value = w->height(); break;
        case Prop::Visible:
            value = control.empty() ? w->isVisible() : w->isVisibleTo(w->window());
            break;
        case Prop::Enabled: value = w->isEnabled(); break;
        default: break;
        }
    });
    return value;
}

std::string QtUi::ReadText(std::string_view window, std::string_view control) {
    std::string text;
    OnUi([&] {
        QWidget* w = Widget(window, control);
        QString s;
        if (auto* edit = qobject_cast<QLineEdit*>(w)) s = edit->text();
        else if (auto* label = qobject_cast<QLabel*>(w)) s = label->text();
        else if (w != nullptr) s = w->windowTitle();
        text = s.toStdString();
    });
    return text;
}

void QtUi::WriteNumber(std::string_view window, std::string_view control, Prop p, int value) {
    OnUi([&] {
        QWidget* w = Widget(window, control);
        if (w == nullptr) return;
        switch (p) {
        case Prop::Left: w->move(value, w->y()); break;
        case Prop::Top: w->move(w->x(), value); break;
        case Prop::Width: w->resize(value, w->height()); break;
        case Prop::Height: w->resize(w->width(), value); break;
        case Prop::Visible:
            w->setVisible(value != 0);
            if (control.empty()) static_cast<FormWindow*>(w)->visibilityDecided = true;
            break;
        case Prop::Enabled: w->setEnabled(value != 0); break;
        default: break;
        }
    });
}

void QtUi::WriteText(std::string_view window, std::string_view control, std::string_view text) {
    const QString s = Q(text);
    OnUi([&] {
        QWidget* w = Widget(window, control);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(s);
        else if (auto* label = qobject_cast<QLabel*>(w)) label->setText(s);
        else if (w != nullptr) w->setWindowTitle(s);
    });
}

void QtUi::WritePicture(std::string_view window, std::string_view control, Bytes picture) {
    QSize size;
    OnUi([&] {
        if (QWidget* w = Widget(window, control)) size = w->size();
    });
    if (!size.isValid()) return;
    // Decoding and scaling happen on the calling thread, off the user-interface thread.
    const QImage image = ScaledPicture(picture, size);
    OnUi([&] {
        if (auto* label = qobject_cast<QLabel*>(Widget(window, control)))
            label->setPixmap(QPixmap::fromImage(image));
    });
}

void QtUi::Refresh(std::string_view window, std::string_view control) {
    OnUi([&] {
        if (QWidget* w = Widget(window, control)) w->repaint();
    });
}

void QtUi::ProcessEvents() {
    if (IsUiThread()) QCoreApplication::processEvents();
}

void QtUi::LoadWindow(const Form& form, std::string_view owner, std::vector<Handler> handlers,
                      std::optional<Placement> at) {
    FormWindow* window = nullptr;
    OnUi([&] {
        auto old = windows_.find(form.name);
        if (old != windows_.end()) {
            old->second->hide();
            old->second->deleteLater();
            windows_.erase(old);
        }
        window = new FormWindow(form, std::move(handlers), Widget(owner, {}));
        if (at) window->move(at->left, at->top);
        windows_[std::string(form.name)] = window;
    });
    // The created handler may hide the window and show it later itself; otherwise it
    // appears once the handler is done.
    OnUi([&] {
        FormWindow* w = window;
        w->Fire({}, Event::Created);
        auto it = windows_.find(form.name);
        if (it != windows_.end() && it->second == w && !w->visibilityDecided) w->show();
    });
}

void QtUi::DestroyWindow(std::string_view window) {
    OnUi([&] {
        auto it = windows_.find(window);
        if (it == windows_.end()) return;
        it->second->hide();
        it->second->deleteLater(); // it may be the window whose handler is running
        windows_.erase(it);
    });
}

bool QtUi::IsLoaded(std::string_view window) {
    bool loaded = false;
    OnUi([&] { loaded = windows_.count(window) != 0; });
    return loaded;
}

void QtUi::SetTransparency(std::string_view window, int alpha) {
    if (alpha < 0 || alpha > 255) alpha = 255;
    OnUi([&] {
        if (QWidget* w = Widget(window, {})) w->setWindowOpacity(alpha / 255.0);
    });
}

void QtUi::BeginWindowDrag(std::string_view window) {
    OnUi([&] {
        if (auto* w = static_cast<FormWindow*>(Widget(window, {}))) w->StartDrag();
    });
}

int QtUi::ScreenWidth() {
    int width = 0;
    OnUi([&] {
        if (QScreen* s = QGuiApplication::primaryScreen()) width = s->geometry().width();
    });
    return width;
}

uint32_t QtUi::UptimeMs() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void QtUi::Delay(int64_t ms) {
    if (ms <= 0) return;
    if (!IsUiThread()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    // A nested event loop sleeps until the one-shot timer fires or an event arrives, and
    // dispatches whatever arrives meanwhile.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) return;
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(std::min<int64_t>(left, INT_MAX)));
        loop.exec();
    }
}

void QtUi::ShowMessage(std::string_view text, std::string_view title) {
    const QString t = Q(text), c = Q(title);
    OnUi([&] {
        QMessageBox box(QMessageBox::Warning, c, t, QMessageBox::Ok);
        box.exec();
    });
}

void QtUi::OpenUrl(std::string_view url) {
    const QUrl u(Q(url));
    OnUi([&] { QDesktopServices::openUrl(u); });
}

void QtUi::StartThread(std::function<void()> routine) {
    std::thread([r = std::move(routine)] {
        crash::PrepareThread();
        r();
    }).detach();
}

std::string QtUi::CurrentDirectory() {
    QString dir = QDir::toNativeSeparators(QDir::currentPath());
    while (dir.size() > 1 && (dir.endsWith('/') || dir.endsWith('\\'))) dir.chop(1);
    return dir.toStdString();
}

void QtUi::SetShutdownRoutine(std::function<void()> routine) { shutdown_ = std::move(routine); }

void QtUi::RunEventLoop() {
    app_->exec();
    EndProgram(0);
}

void QtUi::EndProgram(int code) {
    std::call_once(ended_, [&] {
        if (shutdown_) shutdown_();
    });
    // Threads of a run may still be working: end at once, without destructors they could
    // race with.
    std::fflush(nullptr);
    std::_Exit(code);
}

} // namespace platform
