#include "app/message_dialog.h"

#include <QMessageBox>

namespace morvane {

void MessageBoxDialogs::message(QWidget* parent, const QString& title, const QString& text, Icon icon) {
    const QMessageBox::Icon shown = icon == Icon::Critical      ? QMessageBox::Critical
                                    : icon == Icon::Information ? QMessageBox::Information
                                                                : QMessageBox::NoIcon;
    QMessageBox box(shown, title, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace morvane
