#include "app/main_window.h"
#include "app/message_dialog.h"
#include "ui/program_version.h"
#include "ui/qt_shell.h"
#include "util/platform_fs.h"

#include <QApplication>
#include <cstring>
#include <iostream>

namespace {

const char* const kHelp =
    "usage: morvane [--help | --version] [Qt options]\n"
    "\n"
    "Starts the window of Morvane, which replaces text in many files at once, in their contents or in\n"
    "their names. Drop files or folders onto the file list, add find/replace pairs, and Update/ Simulate\n"
    "(F5) shows per file how many occurrences the pairs find; Execute/ Replace (F8) writes the files.\n"
    "The window takes no files from the command line; morvane-cli does the same runs from a shell.\n"
    "\n"
    "The language file and the icons are read from the program's folder. The settings, the saved tasks and\n"
    "the undo journal are kept there too when that folder can be written, and otherwise in\n"
    "$XDG_DATA_HOME/morvane (by default ~/.local/share/morvane).\n"
    "\n"
    "  --help      show this text\n"
    "  --version   show the program's version\n"
    "\n"
    "Qt's own options, such as -platform or -style, are taken as Qt takes them.\n";

} // namespace

static int runWindow(int argc, char** argv) {
    // Answered before the toolkit starts, so that they work without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << morvane::windowCaption("morvane", morvane::programVersion()) << '\n';
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::cout << kHelp;
        return 0;
    }
    QApplication application(argc, argv);
    morvane::MessageBoxDialogs dialogs;
    morvane::DesktopShell shell;
    // The program reads its language file and icons beside the executable, wherever it is started from, and
    // keeps its settings and tasks there too when it may. The folder is taken as the bytes the system gives,
    // which need not be text in any encoding.
    morvane::MainWindow window(morvane::platform::executableFolder(), dialogs, shell,
                               morvane::stateFilesWritable, morvane::RunController::defaultRunner(),
                               morvane::platform::userDataFolder());
    return application.exec();
}

int main(int argc, char** argv) {
    // Whatever escapes the window (memory running out, a fault of the program) ends it with a message on
    // standard error and a failure status, never with an abort and a core dump.
    try {
        return runWindow(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "morvane: " << error.what() << '\n';
    } catch (...) {
        std::cerr << "morvane: stopped by an unexpected error\n";
    }
    return 1;
}
