#pragma once

#include "gui/widgets/message_dialog.h"
#include "gui/widgets/qt_shell.h"

#include <QStringList>

namespace morvane::testing {

// The window's boxes and choosers, answered by the test and recorded: nothing blocks and nothing opens.
struct RecordingDialogs : Dialogs {
    QStringList texts;
    QStringList questions;
    QStringList titles;
    QStringList chosenFiles;
    bool answer = false;

    void message(QWidget*, const QString&, const BoxText& text, Icon) override { texts << text.whole(); }
    bool ask(QWidget*, const QString&, const BoxText& text) override {
        questions << text.whole();
        return answer;
    }
    QStringList chooseFiles(QWidget*, const QString& title) override {
        titles << title;
        return chosenFiles;
    }
    QString chooseFolder(QWidget*, const QString& title) override {
        titles << title;
        return {};
    }
};

// What the window asked the desktop to show or open.
struct RecordingShell : Shell {
    QStringList calls;
    void showInFolder(const QString& path) override { calls << "show " + path; }
    void open(const QString& path) override { calls << "open " + path; }
};

} // namespace morvane::testing
