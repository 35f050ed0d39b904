#include "core/app/program_version.h"
#include "core/app/window_arguments.h"
#include "core/platform/platform_fs.h"
#include "gui/widgets/message_dialog.h"
#include "gui/widgets/qt_shell.h"
#include "gui/window/main_window.h"

#include <QApplication>
#include <iostream>

namespace {

const char* const kHelp =
    "usage: morvane [--help | --version] [Qt options] [--] [FILE | FOLDER]...\n"
    "\n"
    "Starts the window of Morvane, which replaces text in many files at once, in their contents or in\n"
    "their names. Drop files or folders onto the file list, add find/replace pairs, and Update/ Simulate\n"
    "(F5) shows per file how many occurrences the pairs find; Execute/ Replace (F8) writes the files.\n"
    "\n"
    "Files and folders named on the command line join the file list as dropped ones do, in their order,\n"
    "each folder as one row, and are counted; a file manager's \"Open With\" starts the window so.\n"
    "Every start opens a window of its own. morvane-cli does the same runs from a shell.\n"
    "\n"
    "The language file and the icons are read from the program's folder. The settings, the saved tasks and\n"
    "the undo journal are kept there too when that folder can be written, and otherwise in\n"
    "$XDG_DATA_HOME/morvane (by default ~/.local/share/morvane).\n"
    "\n"
    "  --help      show this text\n"
    "  --version   show the program's version\n"
    "  --          what follows are files and folders, even when they start with a hyphen\n"
    "\n"
    "Qt's own options, such as -platform or -style, are taken as Qt takes them.\n";

} // namespace

static int runWindow(int argc, char** argv) {
    using Ask = morvane::WindowArguments::Ask;
    // Answered before the toolkit starts, so that they work without a display.
    const Ask asked = morvane::windowArguments({argv + 1, argv + argc}).ask;
    if (asked == Ask::Version) {
        std::cout << morvane::windowCaption("morvane", morvane::programVersion()) << '\n';
        return 0;
    }
    if (asked == Ask::Help) {
        std::cout << kHelp;
        return 0;
    }
    QApplication application(argc, argv);
    // The toolkit has taken its own options out; what is left names files and folders.
    const morvane::WindowArguments arguments = morvane::windowArguments({argv + 1, argv + argc});
    if (arguments.ask != Ask::Window) {
        std::cerr << "morvane: unknown option " << arguments.unknownOption << " (see morvane --help)\n";
        return 2;
    }
    morvane::MessageBoxDialogs dialogs;
    morvane::DesktopShell shell;
    // The program reads its language file and icons beside the executable, wherever it is started from, and
    // keeps its settings and tasks there too when it may. The folder is taken as the bytes the system gives,
    // which need not be text in any encoding.
    morvane::MainWindow window(morvane::platform::executableFolder(), dialogs, shell,
                               morvane::stateFilesWritable, morvane::RunController::defaultRunner(),
                               morvane::platform::userDataFolder());
    window.addRows(arguments.paths);
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
