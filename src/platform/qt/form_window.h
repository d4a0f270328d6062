// A top-level Qt window built from a form table, with the controls the program uses.
#pragma once
#include <QAbstractButton>
#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/ui.h"

namespace platform {

class FormWindow;

// A button drawn with three pictures: normal, hover and pressed.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    PictureButton(const ControlSpec& def, FormWindow* window);
    QSize sizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    FormWindow* window_;
    std::string name_;
    QPixmap normal_, hover_, pressed_;
};

// A picture box that shows a picture scaled smoothly to its size.
class AnimationBox : public QLabel {
    Q_OBJECT
public:
    AnimationBox(const ControlSpec& def, FormWindow* window);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    FormWindow* window_;
    std::string name_;
};

class FormWindow : public QWidget {
    Q_OBJECT
public:
    FormWindow(const Form& form, std::vector<Handler> handlers, QWidget* owner);

    const Form& form() const { return form_; }
    QWidget* Control(std::string_view name) const;
    // Runs the handler bound to (control, event); false when there is none.
    bool Fire(std::string_view control, Event event);
    void StartDrag();
    bool visibilityDecided = false; // the created handler chose visibility itself

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    const Form& form_;
    std::vector<Handler> handlers_;
    QPixmap background_;
    std::map<std::string, QWidget*, std::less<>> controls_;
    bool manualDrag_ = false;
    QPoint dragOffset_;
};

// Decodes embedded or given picture bytes.
QPixmap PixmapFromBytes(Bytes bytes);
QPixmap AssetPixmap(std::string_view name);

} // namespace platform
