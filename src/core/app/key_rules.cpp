#include "core/app/key_rules.h"

namespace morvane {

namespace {

bool isCtrlA(KeyStroke key) {
    return key.code == vk::kA && key.mask == kCtrlMask;
}

} // namespace

FileListKey fileListKey(KeyStroke key) {
    switch (key.code) {
    case vk::kSpace:
        return FileListKey::ShowInFolder;
    case vk::kEnter:
        return FileListKey::Open;
    case vk::kDelete:
    case vk::kBackspace:
        return FileListKey::DeleteSelected;
    default:
        return isCtrlA(key) ? FileListKey::SelectAll : FileListKey::None;
    }
}

PairListKey pairListKey(KeyStroke key) {
    switch (key.code) {
    case vk::kDelete:
    case vk::kBackspace:
        return PairListKey::DeleteSelected;
    case vk::kEnter:
    case vk::kSpace:
        return PairListKey::EditCurrent;
    case vk::kMainPlus:
        return PairListKey::AddNew;
    default:
        return isCtrlA(key) ? PairListKey::SelectAll : PairListKey::None;
    }
}

SavedTaskKey savedTaskKey(KeyStroke key) {
    switch (key.code) {
    case vk::kDelete:
    case vk::kBackspace:
        return SavedTaskKey::DeleteSelected;
    case vk::kEnter:
    case vk::kSpace:
        return SavedTaskKey::Load;
    case vk::kZ:
        return key.mask == kCtrlMask ? SavedTaskKey::UndoDelete : SavedTaskKey::None;
    default:
        return isCtrlA(key) ? SavedTaskKey::SelectAll : SavedTaskKey::None;
    }
}

bool selectsWholeText(KeyStroke key) {
    return isCtrlA(key);
}

} // namespace morvane
