#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

class QAction;

namespace morvane {

// The controls and menu items that change the lists or start a run, disabled together while an execute
// run or an undo goes. Locking moves the focus away from a control that goes disabled; unlocking gives it
// back, so the user goes on where they were.
class InputLock {
public:
    void add(QWidget& input) { inputs_.push_back(&input); }
    void add(const std::vector<QAction*>& actions);
    void set(bool locked);

private:
    std::vector<QWidget*> inputs_;
    std::vector<QAction*> actions_;
    QPointer<QWidget> focusBeforeLock_;
    bool locked_ = false;
};

} // namespace morvane
