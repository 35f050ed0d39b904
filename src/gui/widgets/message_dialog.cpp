#include "gui/widgets/message_dialog.h"

#include <QFileDialog>
#include <QMessageBox>

namespace morvane {

namespace {

// As many lines as a box shows in full before the list goes behind "Show Details...".
constexpr qsizetype kLinesShownInFull = 10;
// The first lines of a longer list, which say what kind of list it is.
constexpr qsizetype kLinesShownOfMany = 5;

QString joinedParts(const QStringList& parts) {
    QStringList kept;
    for (const QString& part : parts) {
        if (!part.isEmpty()) {
            kept << part;
        }
    }
    return kept.join(QLatin1Char('\n'));
}

} // namespace

QString BoxText::whole() const {
    return details.isEmpty() ? text : text + QLatin1Char('\n') + details;
}

BoxText listedText(const QString& lead, const QStringList& lines, const QString& more, const QString& after) {
    const QString separatedAfter = after.isEmpty() ? QString() : QLatin1Char('\n') + after;
    if (lines.size() <= kLinesShownInFull) {
        return {joinedParts({lead, lines.join(QLatin1Char('\n'))}) + separatedAfter, {}};
    }
    const QString shown = lines.mid(0, kLinesShownOfMany).join(QLatin1Char('\n'));
    return {joinedParts({lead, shown,
                         QString(more).replace(QStringLiteral("%1"),
                                               QString::number(lines.size() - kLinesShownOfMany))}) +
                separatedAfter,
            lines.join(QLatin1Char('\n'))};
}

std::unique_ptr<QMessageBox> messageBox(QWidget* parent, const QString& title, const BoxText& text,
                                        Dialogs::Icon icon, bool question) {
    const QMessageBox::Icon shown = question                             ? QMessageBox::Question
                                    : icon == Dialogs::Icon::Critical    ? QMessageBox::Critical
                                    : icon == Dialogs::Icon::Information ? QMessageBox::Information
                                                                         : QMessageBox::NoIcon;
    auto box = std::make_unique<QMessageBox>(
        shown, title, text.text, question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    if (question) {
        box->setDefaultButton(QMessageBox::Yes);
    }
    box->setDetailedText(text.details);
    return box;
}

void MessageBoxDialogs::message(QWidget* parent, const QString& title, const BoxText& text, Icon icon) {
    messageBox(parent, title, text, icon, false)->exec();
}

bool MessageBoxDialogs::ask(QWidget* parent, const QString& title, const BoxText& text) {
    return messageBox(parent, title, text, Icon::None, true)->exec() == QMessageBox::Yes;
}

QStringList MessageBoxDialogs::chooseFiles(QWidget* parent, const QString& title) {
    return QFileDialog::getOpenFileNames(parent, title);
}

QString MessageBoxDialogs::chooseFolder(QWidget* parent, const QString& title) {
    return QFileDialog::getExistingDirectory(parent, title);
}

} // namespace morvane
