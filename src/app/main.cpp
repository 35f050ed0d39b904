#include "app/dialogs.h"
#include "app/main_window.h"
#include "ui/shell.h"
#include "util/qt_text.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    morvane::MessageBoxDialogs dialogs;
    morvane::DesktopShell shell;
    // The program keeps its settings, tasks and language file beside the executable, wherever it is started
    // from.
    morvane::MainWindow window(morvane::pathFromQString(QCoreApplication::applicationDirPath()), dialogs,
                               shell);
    return application.exec();
}
