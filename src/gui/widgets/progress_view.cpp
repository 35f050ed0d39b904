#include "gui/widgets/progress_view.h"

#include <QAccessible>
#include <QPainter>
#include <algorithm>

namespace morvane {

ProgressPicture::ProgressPicture(QWidget* parent) : QWidget(parent) {}

void ProgressPicture::setUpProgress() {
    setAutoFillBackground(true);
    setContentsMargins(0, 0, 0, 0);
}

void ProgressPicture::drawProgress(int percent, Rgb colour) {
    const int clamped = std::clamp(percent, 0, 100);
    if (clamped == percent_ && colour.red == colour_.red && colour.green == colour_.green &&
        colour.blue == colour_.blue) {
        return;
    }
    const bool moved = clamped != percent_;
    percent_ = clamped;
    colour_ = colour;
    update();
    if (moved) {
        QAccessibleValueChangeEvent event(this, percent_);
        QAccessible::updateAccessibility(&event);
    }
}

void ProgressPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int filled = width() * percent_ / 100;
    painter.fillRect(0, 0, filled, height(), QColor(colour_.red, colour_.green, colour_.blue));
}

} // namespace morvane
