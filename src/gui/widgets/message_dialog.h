#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QMessageBox;
class QWidget;

namespace morvane {

// The text of a box that may speak of many paths: what it says, and the whole list behind "Show Details...",
// so that a list of any length leaves the text, the question and the buttons on the screen.
struct BoxText {
    QString text;
    QString details; // empty: the text says it all

    // Everything, as one text: for logs and tests.
    QString whole() const;
};

// `lead`, then the list's lines; a long list shows its first lines and `more` (with %1 for how many are not
// shown), and the whole list goes to the details. `after` closes the text: a note, or the question.
BoxText listedText(const QString& lead, const QStringList& lines, const QString& more,
                   const QString& after = {});

// Message boxes and file choosers go through here, so that window tests see what would be shown, and answer
// it, instead of blocking on it.
class Dialogs {
public:
    enum class Icon { None, Information, Critical };

    virtual ~Dialogs() = default;
    // A box with an OK button only.
    virtual void message(QWidget* parent, const QString& title, const BoxText& text, Icon icon) = 0;
    void message(QWidget* parent, const QString& title, const QString& text, Icon icon) {
        message(parent, title, BoxText{text, {}}, icon);
    }
    // A question with Yes and No; true for Yes. A window that never asks need not answer it.
    virtual bool ask(QWidget* /*parent*/, const QString& /*title*/, const BoxText& /*text*/) { return false; }
    // The files the user picked, in the chooser's order; none when the chooser was cancelled. A window that
    // never offers a chooser need not answer these.
    virtual QStringList chooseFiles(QWidget* /*parent*/, const QString& /*title*/) { return {}; }
    // The folder the user picked, or an empty text when the chooser was cancelled.
    virtual QString chooseFolder(QWidget* /*parent*/, const QString& /*title*/) { return {}; }
};

// The box a message or a question shows, before it shows; Yes is the default answer of a question.
std::unique_ptr<QMessageBox> messageBox(QWidget* parent, const QString& title, const BoxText& text,
                                        Dialogs::Icon icon, bool question);

class MessageBoxDialogs : public Dialogs {
public:
    using Dialogs::message;
    void message(QWidget* parent, const QString& title, const BoxText& text, Icon icon) override;
    bool ask(QWidget* parent, const QString& title, const BoxText& text) override;
    QStringList chooseFiles(QWidget* parent, const QString& title) override;
    QString chooseFolder(QWidget* parent, const QString& title) override;
};

} // namespace morvane
