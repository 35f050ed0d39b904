#pragma once

#include "core/run/run.h"

#include <QLabel>
#include <QObject>

namespace morvane {

// A caption that reports clicks. Tab gives it the focus: Enter and Space click it, an arrow key steps to the
// caption beside it, so the keyboard chooses as the mouse does.
class ClickableLabel : public QLabel {
    Q_OBJECT

public:
    ClickableLabel(const QString& text, QWidget* parent);
    // Whether it names the option in force; assistive technology reads it as a checked radio button.
    bool selected() const { return selected_; }
    void setSelected(bool selected);

signals:
    void clicked();
    void stepped();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool selected_ = false;
};

// The replace mode, chosen with two captions under "Replace in...": the selected one bold and red, the other
// regular and black. The mode is one flag; the captions are its only face.
class ReplaceModeOption : public QObject {
    Q_OBJECT

public:
    explicit ReplaceModeOption(QWidget& page);

    bool replaceInContents() const { return contents_; }
    ReplaceMode mode() const { return contents_ ? ReplaceMode::Contents : ReplaceMode::FileNames; }
    // Sets the mode from the settings at start-up; a mode other than the current one counts as a change.
    void setReplaceMode(bool replaceInContents);
    ClickableLabel& namesCaption() { return *names_; }
    ClickableLabel& contentsCaption() { return *contentsLabel_; }

signals:
    // The mode changed: the settings are to be saved and the counts to follow.
    void changed(bool replaceInContents);

private:
    void select(bool contents);
    void colourModeLabels();

    QLabel* heading_;
    ClickableLabel* names_;         // Label(6)
    ClickableLabel* contentsLabel_; // Label(7)
    bool contents_ = true;
};

} // namespace morvane
