#pragma once

#include <QKeySequence>
#include <QString>
#include <array>
#include <functional>
#include <string_view>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

namespace morvane {

// What the menu items do.
struct MainMenuHandlers {
    std::function<void()> newTask;
    std::function<void()> addFiles;
    std::function<void()> addFolder;
    std::function<void(bool)> taskFiles;
    std::function<void()> close;
    std::function<void()> showAdd;
    std::function<void()> edit;
    std::function<void()> addToTasks;
    std::function<void()> simulate;
    std::function<void()> replace;
    std::function<void()> undo;
    std::function<void()> preview;
    std::function<void(int)> language;
    std::function<void()> about;
};

struct MainMenus {
    std::array<QAction*, 2> languages{};
    QAction* addFiles = nullptr;
    QAction* addFolder = nullptr;
    // Checked: loading a saved task puts its files in the file list too.
    QAction* taskFiles = nullptr;
    QAction* preview = nullptr;
    QMenu* list = nullptr; // "Find & Replace List", which other parts of the window add their items to
    QAction* replace = nullptr;
    // The items that change the lists or start a run.
    std::vector<QAction*> listChanging;
    // Enabled only when there is a run to undo and no run goes.
    QAction* undo = nullptr;
};

// The window's menus with their design captions (the language file relabels them by their object names) and
// shortcut keys.
MainMenus buildMainMenus(QMenuBar& bar, const MainMenuHandlers& handlers);

// The items that language files written before them lack keep their built-in captions there.
void relabelLaterMenuItems(const MainMenus& menus,
                           const std::function<QString(std::string_view key, const char* builtIn)>& message);

// Checks the item of the language chosen, and only it.
void checkLanguageItem(const MainMenus& menus, int language);

// A chooser's title: its menu item's caption in the current language, without the mnemonic and the dots.
QString chooserTitle(const QAction& item);

} // namespace morvane
