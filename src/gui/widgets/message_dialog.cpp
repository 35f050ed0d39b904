#include "gui/widgets/message_dialog.h"

#include <QFileDialog>
#include <QMessageBox>

namespace morvane {

void MessageBoxDialogs::message(QWidget* parent, const QString& title, const QString& text, Icon icon) {
    const QMessageBox::Icon shown = icon == Icon::Critical      ? QMessageBox::Critical
                                    : icon == Icon::Information ? QMessageBox::Information
                                                                : QMessageBox::NoIcon;
    QMessageBox box(shown, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool MessageBoxDialogs::ask(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QStringList MessageBoxDialogs::chooseFiles(QWidget* parent, const QString& title) {
    return QFileDialog::getOpenFileNames(parent, title);
}

QString MessageBoxDialogs::chooseFolder(QWidget* parent, const QString& title) {
    return QFileDialog::getExistingDirectory(parent, title);
}

} // namespace morvane
