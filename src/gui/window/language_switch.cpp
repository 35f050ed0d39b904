#include "gui/window/language_switch.h"

#include "gui/widgets/qt_relabelling.h"
#include "gui/widgets/qt_text.h"

#include <QWidget>

namespace morvane {

LanguageSwitch::LanguageSwitch(QWidget& window, std::string appFolder, Dialogs& dialogs)
    : window_(window), appFolder_(std::move(appFolder)), dialogs_(dialogs) {}

bool LanguageSwitch::choose(int language, const MainMenus& menus) {
    const LanguageFileState state = messages_.load(appFolder_, language);
    checkLanguageItem(menus, language);
    relabel(window_, messages_);
    if (state != LanguageFileState::Usable) {
        dialogs_.message(&window_, QStringLiteral("Error"), toQString(languageFileProblem(state)),
                         Dialogs::Icon::Critical);
        return false;
    }
    relabelLaterMenuItems(
        menus, [this](std::string_view key, const char* builtIn) { return message(key, builtIn); });
    return true;
}

QString LanguageSwitch::message(std::string_view key, const char* builtIn) const {
    const std::string text = messages_.text(key);
    return text.empty() ? QString::fromUtf8(builtIn) : toQString(text);
}

} // namespace morvane
