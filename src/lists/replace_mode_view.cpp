#include "lists/replace_mode_view.h"

#include <QMouseEvent>

namespace morvane {

namespace {

constexpr int kNamesLabel = 6;
constexpr int kContentsLabel = 7;

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
    connect(names_, &ClickableLabel::clicked, this, [this] { Label_Click(kNamesLabel); });
    connect(contentsLabel_, &ClickableLabel::clicked, this, [this] { Label_Click(kContentsLabel); });
    LabelOptFarbeAndern();
}

void ReplaceModeOption::Label_Click(int index) {
    if (index == kContentsLabel) {
        select(true);
    } else if (index == kNamesLabel) {
        select(false);
    }
}

void ReplaceModeOption::OptRepEinstellen(bool replaceInContents) {
    select(replaceInContents);
    LabelOptFarbeAndern();
}

// Choosing the mode already chosen changes nothing and runs nothing.
void ReplaceModeOption::select(bool contents) {
    if (contents == contents_) {
        return;
    }
    contents_ = contents;
    LabelOptFarbeAndern();
    emit changed(contents_);
}

void ReplaceModeOption::LabelOptFarbeAndern() {
    highlight(contents_ ? *names_ : *contentsLabel_, false);
    highlight(contents_ ? *contentsLabel_ : *names_, true);
}

} // namespace morvane
