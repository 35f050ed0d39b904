#include "gui/window/input_lock.h"

#include <QAction>
#include <QApplication>

namespace morvane {

void InputLock::add(const std::vector<QAction*>& actions) {
    actions_.insert(actions_.end(), actions.begin(), actions.end());
}

void InputLock::set(bool locked) {
    if (locked == locked_) {
        return;
    }
    locked_ = locked;
    if (locked) {
        focusBeforeLock_ = QApplication::focusWidget();
    }
    for (QAction* action : actions_) {
        action->setEnabled(!locked);
    }
    for (QWidget* input : inputs_) {
        input->setEnabled(!locked);
    }
    if (!locked && focusBeforeLock_ && focusBeforeLock_->isVisible()) {
        focusBeforeLock_->setFocus();
        focusBeforeLock_.clear();
    }
}

} // namespace morvane
