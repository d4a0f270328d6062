#include "platform/qt/form_window.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QWindow>

namespace platform {

QPixmap PixmapFromBytes(Bytes bytes) {
    QPixmap pixmap;
    if (!bytes.empty()) pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()));
    return pixmap;
}

QPixmap AssetPixmap(std::string_view name) { return PixmapFromBytes(FindAsset(name)); }

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

Qt::Alignment ToQt(Align align) {
    switch (align) {
    case Align::Center: return Qt::AlignCenter;
    case Align::Right: return Qt::AlignRight | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// Small read-outs get a font that fits their height.
QFont FontFor(const QWidget* w, int height) {
    QFont f = w->font();
    f.setPixelSize(height <= 13 ? 10 : height <= 16 ? 12 : 14);
    return f;
}

QLineEdit* MakeEditBox(const ControlSpec& def, QWidget* parent) {
    auto* edit = new QLineEdit(Q(def.text), parent);
    edit->setAlignment(ToQt(def.align));
    edit->setReadOnly(def.readOnly);
    edit->setFont(FontFor(edit, def.height));
    edit->setFrame(false);
    // Typing limits go through a validator, so that texts the program puts in are not cut.
    QString pattern = def.filter == Filter::Integer ? QStringLiteral("[-0-9]") : QStringLiteral(".");
    pattern += def.maxLength > 0 ? QStringLiteral("{0,%1}").arg(def.maxLength) : QStringLiteral("*");
    if (def.filter == Filter::Integer || def.maxLength > 0) {
        QRegularExpression re(pattern, QRegularExpression::DotMatchesEverythingOption);
        edit->setValidator(new QRegularExpressionValidator(re, edit));
    }
    edit->setStyleSheet(def.readOnly
                            ? "QLineEdit { background: transparent; color: #e8f6ff; border: none; }"
                            : "QLineEdit { background: rgba(6, 24, 48, 200); color: #ffffff;"
                              " border: 1px solid #2aa8ff; border-radius: 3px; padding: 0 4px;"
                              " selection-background-color: #1d6fb8; }");
    if (def.readOnly) edit->setFocusPolicy(Qt::NoFocus);
    edit->setContextMenuPolicy(def.readOnly ? Qt::NoContextMenu : Qt::DefaultContextMenu);
    return edit;
}

} // namespace

PictureButton::PictureButton(const ControlSpec& def, FormWindow* window)
    : QAbstractButton(window), window_(window), name_(def.name) {
    const std::string stem(def.picture);
    normal_ = AssetPixmap(stem + "_normal.jpg");
    hover_ = AssetPixmap(stem + "_hover.jpg");
    pressed_ = AssetPixmap(stem + "_pressed.jpg");
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { window_->Fire(name_, Event::Clicked); });
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPixmap& face = isDown() ? pressed_ : underMouse() ? hover_ : normal_;
    if (!face.isNull()) {
        p.drawPixmap(rect(), face);
        return;
    }
    // Without its pictures the button still reads as a button.
    p.setPen(QColor(42, 168, 255));
    p.fillRect(rect(), QColor(8, 20, 40));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PictureButton::mouseReleaseEvent(QMouseEvent* e) {
    const bool inside = e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    QAbstractButton::mouseReleaseEvent(e);
    if (inside) window_->Fire(name_, Event::LeftReleased);
}

AnimationBox::AnimationBox(const ControlSpec& def, FormWindow* window)
    : QLabel(window), window_(window), name_(def.name) {
    setAlignment(Qt::AlignCenter);
    setStyleSheet("background: transparent;");
    if (!def.picture.empty()) {
        QPixmap pm = AssetPixmap(def.picture);
        if (!pm.isNull())
            setPixmap(pm.scaled(def.width, def.height, Qt::IgnoreAspectRatio,
                                Qt::SmoothTransformation));
    }
}

void AnimationBox::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) window_->Fire(name_, Event::LeftPressed);
    e->accept();
}

void AnimationBox::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        window_->Fire(name_, Event::LeftReleased);
    e->accept();
}

FormWindow::FormWindow(const Form& form, std::vector<Handler> handlers, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint), form_(form),
      handlers_(std::move(handlers)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(Q(form.caption));
    setGeometry(form.left, form.top, form.width, form.height);
    setFixedSize(form.width, form.height);
    background_ = AssetPixmap(form.background);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, QColor(232, 246, 255));
    setPalette(pal);
    setAutoFillBackground(true);

    for (const ControlSpec& def : form.controls) {
        QWidget* w = nullptr;
        switch (def.kind) {
        case Kind::PictureButton: w = new PictureButton(def, this); break;
        case Kind::AnimationBox: w = new AnimationBox(def, this); break;
        case Kind::EditBox: w = MakeEditBox(def, this); break;
        case Kind::Label: {
            auto* label = new QLabel(Q(def.text), this);
            label->setAlignment(ToQt(def.align));
            label->setStyleSheet("QLabel { color: #e8f6ff; background: transparent; }");
            label->setFont(FontFor(label, 16));
            label->setAttribute(Qt::WA_NoMousePropagation);
            w = label;
            break;
        }
        }
        w->setGeometry(def.left, def.top, def.width, def.height);
        if (def.handCursor) w->setCursor(Qt::PointingHandCursor);
        w->setVisible(def.visible);
        controls_[std::string(def.name)] = w;
    }
}

QWidget* FormWindow::Control(std::string_view name) const {
    auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

bool FormWindow::Fire(std::string_view control, Event event) {
    for (const Handler& h : handlers_) {
        if (h.control == control && h.event == event) {
            auto run = h.run; // the handler may outlive changes to the list
            run();
            return true;
        }
    }
    return false;
}

void FormWindow::StartDrag() {
    QWindow* handle = windowHandle();
    if (handle != nullptr && handle->startSystemMove()) return;
    // No window manager to ask: follow the mouse ourselves until the button is released.
    manualDrag_ = true;
    dragOffset_ = QCursor::pos() - pos();
    grabMouse();
}

void FormWindow::paintEvent(QPaintEvent*) {
    if (background_.isNull()) return;
    QPainter p(this);
    p.drawPixmap(0, 0, background_);
}

void FormWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) Fire({}, Event::LeftPressed);
}

void FormWindow::mouseMoveEvent(QMouseEvent* e) {
    if (manualDrag_) move(e->globalPosition().toPoint() - dragOffset_);
}

void FormWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (manualDrag_ && e->button() == Qt::LeftButton) {
        manualDrag_ = false;
        releaseMouse();
    }
}

void FormWindow::closeEvent(QCloseEvent* e) {
    // The program decides what a close means (end, or the child's close button); the
    // window itself stays until the program destroys it.
    e->ignore();
    Fire({}, Event::CloseRequested);
}

} // namespace platform
