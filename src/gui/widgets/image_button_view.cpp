#include "gui/widgets/image_button_view.h"

#include "core/platform/paths.h"
#include "gui/widgets/qt_text.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace morvane {

namespace {

// The skin is light whatever the desktop's theme, so the page that shows it sets the colours of what is
// written straight on it: dark text, and a light surface where a control fills its own background.
void keepReadableOnSkin(QWidget& page) {
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, QColor(246, 249, 249));
    palette.setColor(QPalette::WindowText, QColor(0, 0, 0));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    palette.setColor(QPalette::Link, QColor(0, 0, 128));
    page.setPalette(palette);
}

} // namespace

void drawFocusFrame(QWidget& widget) {
    if (!widget.hasFocus()) {
        return;
    }
    QPainter painter(&widget);
    painter.setPen(QPen(widget.palette().color(QPalette::Highlight), 2));
    painter.drawRect(QRectF(widget.rect()).adjusted(1, 1, -1, -1));
}

ImageButton::ImageButton(int index, QWidget* parent) : QLabel(parent), index_(index) {
    setObjectName(QString("imgButton(%1)").arg(index));
    setScaledContents(true);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
}

void ImageButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && !event->isAutoRepeat()) {
        press();
        return;
    }
    QLabel::keyPressEvent(event);
}

void ImageButton::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    drawFocusFrame(*this);
}

void ImageButton::mouseMoveEvent(QMouseEvent* event) {
    emit hovered(index_);
    QLabel::mouseMoveEvent(event);
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        press();
    }
    QLabel::mouseReleaseEvent(event);
}

Skin::Skin(QObject* parent) : QObject(parent) {}

void Skin::loadButtonImages(const std::string& appFolder) {
    const std::string folder = joinPath(joinPath(appFolder, "Icons"), "Skin0");
    images_.clear();
    for (int state = 1; state <= kStates; ++state) {
        for (int button : kButtons) {
            const std::string name = "B" + std::to_string(button) + "_" + std::to_string(state) + ".gif";
            images_[{button, state}] = QPixmap(pathToQString(joinPath(folder, name)));
        }
    }
    background_ = QPixmap(pathToQString(joinPath(folder, "BG_1.jpg")));
}

void Skin::addButton(ImageButton& button, std::function<void()> action) {
    buttons_[button.index()] = &button;
    connect(&button, &ImageButton::hovered, this, &Skin::hover);
    connect(&button, &ImageButton::clicked, this, [this, action = std::move(action)] {
        refreshButtonIcons(false);
        action();
    });
}

void Skin::addBackground(QLabel& background) {
    if (QWidget* page = background.parentWidget()) {
        keepReadableOnSkin(*page);
    }
    background.setScaledContents(true);
    backgrounds_.push_back(&background);
    addResetSurface(background);
}

void Skin::refreshButtonIcons(bool firstTime) {
    if (firstTime) {
        for (QLabel* background : backgrounds_) {
            background->setPixmap(background_);
        }
    }
    for (int button : kButtons) {
        if (const auto found = buttons_.find(button); found != buttons_.end()) {
            found->second->setPixmap(image(button, 1));
        }
    }
}

void Skin::addResetSurface(QWidget& widget) {
    widget.setMouseTracking(true);
    widget.installEventFilter(this);
}

const QPixmap& Skin::image(int button, int state) const {
    static const QPixmap empty;
    const auto found = images_.find({button, state});
    return found == images_.end() ? empty : found->second;
}

bool Skin::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        refreshButtonIcons(false);
    }
    return QObject::eventFilter(watched, event);
}

void Skin::hover(int index) {
    if (const auto found = buttons_.find(index); found != buttons_.end()) {
        found->second->setPixmap(image(index, 2));
    }
}

} // namespace morvane
