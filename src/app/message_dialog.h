#pragma once

#include <QString>

class QWidget;

namespace morvane {

// Message boxes go through here, so that window tests see what would be shown instead of blocking on it.
class Dialogs {
public:
    enum class Icon { None, Information, Critical };

    virtual ~Dialogs() = default;
    // A box with an OK button only.
    virtual void message(QWidget* parent, const QString& title, const QString& text, Icon icon) = 0;
};

class MessageBoxDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& title, const QString& text, Icon icon) override;
};

} // namespace morvane
