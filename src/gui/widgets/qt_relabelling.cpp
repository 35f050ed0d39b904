#include "gui/widgets/qt_relabelling.h"

#include "gui/widgets/qt_text.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace morvane {

namespace {

void setCaption(QObject* control, const QString& text) {
    if (auto* menu = qobject_cast<QMenu*>(control)) {
        menu->setTitle(text);
    } else if (auto* action = qobject_cast<QAction*>(control)) {
        action->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
        frame->setTitle(text);
    }
}

// A name is read out on its own: the colon that leads a caption to its box is left off.
QString accessibleText(const MessageCatalogue& messages, std::string_view key, std::string_view builtIn) {
    const std::string found = messages.fileText(key);
    QString text = toQString(found.empty() ? std::string(builtIn) : found);
    return text.endsWith(QLatin1Char(':')) ? text.chopped(1) : text;
}

void applyAccessibleTexts(QObject& root, const MessageCatalogue& messages) {
    for (const AccessibleText& row : kAccessibleTable) {
        auto* widget = root.findChild<QWidget*>(QString::fromUtf8(row.control.data(), row.control.size()));
        if (!widget) {
            continue;
        }
        if (!row.nameKey.empty()) {
            widget->setAccessibleName(accessibleText(messages, row.nameKey, row.builtInName));
        }
        if (!row.descriptionKey.empty()) {
            widget->setAccessibleDescription(
                accessibleText(messages, row.descriptionKey, row.builtInDescription));
        }
    }
}

} // namespace

void applyLabel(QObject& root, const Relabel& row, const QString& text) {
    QObject* control = root.findChild<QObject*>(QString::fromUtf8(row.control.data(), row.control.size()));
    if (!control) {
        return;
    }
    switch (row.property) {
    case LabelProperty::Caption:
        setCaption(control, text);
        break;
    case LabelProperty::Text:
        if (auto* box = qobject_cast<QLineEdit*>(control)) {
            box->setText(text);
        }
        break;
    case LabelProperty::Tooltip:
        if (auto* widget = qobject_cast<QWidget*>(control)) {
            widget->setToolTip(text);
        }
        break;
    }
}

void relabel(QObject& root, const MessageCatalogue& messages) {
    applyAccessibleTexts(root, messages);
    if (messages.state() != LanguageFileState::Usable) {
        return;
    }
    for (const Relabel& row : kRelabelTable) {
        applyLabel(root, row, toQString(messages.fileText(row.key)));
    }
}

} // namespace morvane
