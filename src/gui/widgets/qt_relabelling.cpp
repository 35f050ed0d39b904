#include "gui/widgets/qt_relabelling.h"

#include "core/platform/paths.h"
#include "core/platform/text_file.h"
#include "core/state/language.h"
#include "core/text/keyed_text.h"
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
QString accessibleText(const std::string& appFolder, std::string_view key, std::string_view builtIn,
                       int language) {
    const std::string found = loadMessage(appFolder, key, language);
    QString text = toQString(found.empty() ? std::string(builtIn) : found);
    return text.endsWith(QLatin1Char(':')) ? text.chopped(1) : text;
}

void applyAccessibleTexts(QObject& root, const std::string& appFolder, int language) {
    for (const AccessibleText& row : kAccessibleTable) {
        auto* widget = root.findChild<QWidget*>(QString::fromUtf8(row.control.data(), row.control.size()));
        if (!widget) {
            continue;
        }
        if (!row.nameKey.empty()) {
            widget->setAccessibleName(accessibleText(appFolder, row.nameKey, row.builtInName, language));
        }
        if (!row.descriptionKey.empty()) {
            widget->setAccessibleDescription(
                accessibleText(appFolder, row.descriptionKey, row.builtInDescription, language));
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

LanguageFileState relabel(QObject& root, const std::string& appFolder, int language) {
    applyAccessibleTexts(root, appFolder, language);
    const std::string path = joinPath(appFolder, kLanguageFileName);
    if (!fileExists(path)) {
        return LanguageFileState::Missing;
    }
    if (normaliseKeyedText(readTextFileOrEmpty(path)).empty()) {
        return LanguageFileState::Empty;
    }
    for (const Relabel& row : kRelabelTable) {
        applyLabel(root, row, toQString(loadMessage(appFolder, row.key, language)));
    }
    return LanguageFileState::Usable;
}

} // namespace morvane
