#include "app/main_window.h"
#include "app/message_dialog.h"
#include "ui/qt_shell.h"
#include "util/platform_fs.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    morvane::MessageBoxDialogs dialogs;
    morvane::DesktopShell shell;
    // The program keeps its settings, tasks and language file beside the executable, wherever it is started
    // from. The folder is taken as the bytes the system gives, which need not be text in any encoding.
    morvane::MainWindow window(morvane::platform::executableFolder(), dialogs, shell);
    return application.exec();
}
