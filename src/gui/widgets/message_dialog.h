#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace morvane {

// Message boxes and file choosers go through here, so that window tests see what would be shown, and answer
// it, instead of blocking on it.
class Dialogs {
public:
    enum class Icon { None, Information, Critical };

    virtual ~Dialogs() = default;
    // A box with an OK button only.
    virtual void message(QWidget* parent, const QString& title, const QString& text, Icon icon) = 0;
    // A question with Yes and No; true for Yes. A window that never asks need not answer it.
    virtual bool ask(QWidget* /*parent*/, const QString& /*title*/, const QString& /*text*/) { return false; }
    // The files the user picked, in the chooser's order; none when the chooser was cancelled. A window that
    // never offers a chooser need not answer these.
    virtual QStringList chooseFiles(QWidget* /*parent*/, const QString& /*title*/) { return {}; }
    // The folder the user picked, or an empty text when the chooser was cancelled.
    virtual QString chooseFolder(QWidget* /*parent*/, const QString& /*title*/) { return {}; }
};

class MessageBoxDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& title, const QString& text, Icon icon) override;
    bool ask(QWidget* parent, const QString& title, const QString& text) override;
    QStringList chooseFiles(QWidget* parent, const QString& title) override;
    QString chooseFolder(QWidget* parent, const QString& title) override;
};

} // namespace morvane
