#pragma once

#include "core/app/message_catalogue.h"
#include "gui/widgets/message_dialog.h"
#include "gui/window/qt_main_menus.h"

#include <QString>
#include <string>
#include <string_view>

class QWidget;

namespace morvane {

// The language the window speaks. Choosing one reads the language file once into the catalogue, checks the
// language's menu item, relabels the window's controls, and tells in a box when the file cannot be used.
class LanguageSwitch {
public:
    LanguageSwitch(QWidget& window, std::string appFolder, Dialogs& dialogs);

    // Whether the controls took the file's captions, and with them new widths.
    bool choose(int language, const MainMenus& menus);

    const MessageCatalogue& messages() const { return messages_; }
    // The text of the key in the language chosen; `builtIn` for a key neither the file nor the program has.
    QString message(std::string_view key, const char* builtIn = "") const;

private:
    QWidget& window_;
    std::string appFolder_;
    Dialogs& dialogs_;
    MessageCatalogue messages_;
};

} // namespace morvane
