#include "gui/window/qt_main_menus.h"

#include "core/app/message_catalogue.h"
#include "core/state/message_keys.h"
#include "gui/widgets/qt_object_names.h"
#include "gui/widgets/qt_text.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace morvane {

namespace {

QAction* item(QMenu& menu, const char* name, const char* text, const QKeySequence& key,
              const std::function<void()>& slot) {
    QAction* action = named(menu.addAction(QString::fromUtf8(text)), name);
    action->setShortcut(key);
    QObject::connect(action, &QAction::triggered, &menu, [slot] { slot(); });
    return action;
}

} // namespace

MainMenus buildMainMenus(QMenuBar& bar, const MainMenuHandlers& handlers) {
    MainMenus menus;
    QMenu& file = *named(bar.addMenu(QStringLiteral("&File")), "mnuFile");
    QAction* newTask = item(file, "mnuNew", "New", QKeySequence(Qt::CTRL | Qt::Key_N), handlers.newTask);
    menus.addFiles = item(file, "mnuAddFiles", builtInText(keys::kMenuAddFiles).c_str(),
                          QKeySequence(Qt::CTRL | Qt::Key_O), handlers.addFiles);
    // Beside Add Files' key, as the two choosers stand beside each other.
    menus.addFolder = item(file, "mnuAddFolder", builtInText(keys::kMenuAddFolder).c_str(),
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), handlers.addFolder);
    menus.taskFiles = named(file.addAction(toQString(builtInText(keys::kMenuTaskFiles))), "mnuTaskFiles");
    menus.taskFiles->setCheckable(true);
    QObject::connect(menus.taskFiles, &QAction::toggled, &file,
                     [slot = handlers.taskFiles](bool checked) { slot(checked); });
    named(file.addSeparator(), "mnuTrenn(1)");
    item(file, "mnuClose", "Close", QKeySequence(Qt::CTRL | Qt::Key_Q), handlers.close)
        ->setShortcutContext(Qt::ApplicationShortcut); // also while the About dialog has the focus

    QMenu& list = *named(bar.addMenu(QStringLiteral("&Find && Replace List")), "mnuList");
    menus.list = &list;
    QAction* showAdd =
        item(list, "mnuShowAdd", "&Add new element", QKeySequence(Qt::Key_F1), handlers.showAdd);
    QAction* edit = item(list, "mnuEdit", "&Edit selected element", QKeySequence(Qt::Key_F2), handlers.edit);
    QAction* addToTasks =
        item(list, "mnuAddToTasks", "Add to Saved Tasks", QKeySequence(Qt::Key_F3), handlers.addToTasks);
    named(list.addSeparator(), "mnuTrenn(0)");
    QAction* simulate =
        item(list, "mnuSimulate", "Update/ Simulate", QKeySequence(Qt::Key_F5), handlers.simulate);
    menus.replace = item(list, "mnuReplace", "Execute/ Replace", QKeySequence(Qt::Key_F8), handlers.replace);
    menus.listChanging = {newTask, menus.addFiles, menus.addFolder, showAdd,
                          edit,    addToTasks,     simulate,        menus.replace};
    menus.undo =
        item(list, "mnuUndo", "Undo last Execute", QKeySequence(Qt::CTRL | Qt::Key_Z), handlers.undo);
    menus.undo->setEnabled(false);
    menus.preview = item(list, "mnuPreview", builtInText(keys::kMenuPreview).c_str(),
                         QKeySequence(Qt::Key_F6), handlers.preview);
    menus.preview->setShortcutContext(Qt::ApplicationShortcut); // also from the preview window

    QMenu& languages = *named(bar.addMenu(QStringLiteral("Language")), "mnuLanguages");
    const std::array<const char*, 2> names{"English", "German"};
    for (std::size_t index = 0; index < names.size(); ++index) {
        QAction* choice = languages.addAction(QString::fromUtf8(names[index]));
        choice->setObjectName(QString("mnuLanguage(%1)").arg(index));
        choice->setCheckable(true);
        QObject::connect(choice, &QAction::triggered, &languages,
                         [slot = handlers.language, index] { slot(static_cast<int>(index)); });
        menus.languages[index] = choice;
    }
    QMenu& help = *named(bar.addMenu(QStringLiteral("&?")), "mnuFragezeichen");
    named(help.addAction(QStringLiteral("About this Program")), "mnuAbout");
    QObject::connect(help.actions().back(), &QAction::triggered, &help, [slot = handlers.about] { slot(); });
    return menus;
}

void relabelLaterMenuItems(const MainMenus& menus,
                           const std::function<QString(std::string_view key, const char* builtIn)>& message) {
    for (const auto& [action, key] :
         {std::pair{menus.addFiles, keys::kMenuAddFiles}, std::pair{menus.addFolder, keys::kMenuAddFolder},
          std::pair{menus.preview, keys::kMenuPreview}, std::pair{menus.taskFiles, keys::kMenuTaskFiles}}) {
        action->setText(message(key, builtInText(key).c_str()));
    }
}

void checkLanguageItem(const MainMenus& menus, int language) {
    for (std::size_t item = 0; item < menus.languages.size(); ++item) {
        menus.languages[item]->setChecked(static_cast<int>(item) == language);
    }
}

QString chooserTitle(const QAction& item) {
    QString caption = item.text();
    caption.remove(QLatin1Char('&'));
    return caption.endsWith(QStringLiteral("...")) ? caption.chopped(3) : caption;
}

} // namespace morvane
