#include "gui/lists/replace_mode_view.h"

#include "gui/widgets/image_button_view.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>

namespace morvane {

namespace {

void highlight(QLabel& label, bool selected) {
    QFont font = label.font();
    font.setBold(selected);
    label.setFont(font);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, selected ? QColor(255, 0, 0) : QColor(0, 0, 0));
    label.setPalette(palette);
}

} // namespace

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void ClickableLabel::setSelected(bool selected) {
    if (selected == selected_) {
        return;
    }
    selected_ = selected;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        emit clicked();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        emit stepped();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void ClickableLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    drawFocusFrame(*this);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

ReplaceModeOption::ReplaceModeOption(QWidget& page) : QObject(&page) {
    heading_ = new QLabel(QStringLiteral("Replace in..."), &page);
    heading_->setObjectName(QStringLiteral("Label(5)"));
    names_ = new ClickableLabel(QStringLiteral("File names"), &page);
    names_->setObjectName(QStringLiteral("Label(6)"));
    contentsLabel_ = new ClickableLabel(QStringLiteral("File contents"), &page);
    contentsLabel_->setObjectName(QStringLiteral("Label(7)"));
    connect(names_, &ClickableLabel::clicked, this, [this] { select(false); });
    connect(contentsLabel_, &ClickableLabel::clicked, this, [this] { select(true); });
    // With two options, an arrow key on either goes to the other and chooses it, as in a radio group.
    connect(names_, &ClickableLabel::stepped, this, [this] {
        contentsLabel_->setFocus(Qt::TabFocusReason);
        select(true);
    });
    connect(contentsLabel_, &ClickableLabel::stepped, this, [this] {
        names_->setFocus(Qt::TabFocusReason);
        select(false);
    });
    colourModeLabels();
}

void ReplaceModeOption::setReplaceMode(bool replaceInContents) {
    select(replaceInContents);
    colourModeLabels();
}

// Choosing the mode already chosen changes nothing and runs nothing.
void ReplaceModeOption::select(bool contents) {
    if (contents == contents_) {
        return;
    }
    contents_ = contents;
    colourModeLabels();
    emit changed(contents_);
}

void ReplaceModeOption::colourModeLabels() {
    highlight(contents_ ? *names_ : *contentsLabel_, false);
    highlight(contents_ ? *contentsLabel_ : *names_, true);
    names_->setSelected(!contents_);
    contentsLabel_->setSelected(contents_);
}

} // namespace morvane
