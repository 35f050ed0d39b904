#include "gui/widgets/qt_keys.h"

#include <QKeyEvent>

namespace morvane {

namespace {

int codeOf(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        return vk::kA + (key - Qt::Key_A);
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return vk::kF1 + (key - Qt::Key_F1);
    }
    switch (key) {
    case Qt::Key_Backspace:
        return vk::kBackspace;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::kEnter;
    case Qt::Key_Escape:
        return vk::kEscape;
    case Qt::Key_Space:
        return vk::kSpace;
    case Qt::Key_Delete:
        return vk::kDelete;
    case Qt::Key_Plus:
        return keypad ? vk::kKeypadPlus : vk::kMainPlus;
    case Qt::Key_Equal:
        return keypad ? 0 : vk::kMainPlus;
    default:
        return 0;
    }
}

} // namespace

KeyStroke keyStrokeOf(const QKeyEvent& event) {
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    int mask = 0;
    mask |= modifiers.testFlag(Qt::ShiftModifier) ? kShiftMask : 0;
    mask |= modifiers.testFlag(Qt::ControlModifier) ? kCtrlMask : 0;
    mask |= modifiers.testFlag(Qt::AltModifier) ? kAltMask : 0;
    return KeyStroke{codeOf(event), mask};
}

} // namespace morvane
