#include "gui/widgets/frame_title_view.h"

#include <QEvent>
#include <QGroupBox>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>

namespace morvane {

FrameTitleView::FrameTitleView(QGroupBox& frame) : QWidget(&frame), frame_(frame) {
    setObjectName(frame.objectName() + QStringLiteral("Title"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    frame.installEventFilter(this);
    followFrame();
}

bool FrameTitleView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &frame_ && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange ||
                               event->type() == QEvent::StyleChange)) {
        followFrame();
    }
    return QWidget::eventFilter(watched, event);
}

// A band across the whole top of the frame, so that a longer title after a change of language still fits;
// the frame repaints it whenever the title changes.
void FrameTitleView::followFrame() {
    setGeometry(0, 0, frame_.width(), titleRect().bottom() + 1);
    raise();
}

QRect FrameTitleView::titleRect() const {
    QStyleOptionGroupBox option;
    option.initFrom(&frame_);
    option.text = frame_.title();
    option.lineWidth = 1;
    option.textAlignment = frame_.alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (frame_.isFlat()) {
        option.features |= QStyleOptionFrame::Flat;
    }
    return frame_.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &frame_);
}

void FrameTitleView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style()->drawItemText(&painter, titleRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                          frame_.palette(), frame_.isEnabled(), frame_.title(), QPalette::WindowText);
}

} // namespace morvane
