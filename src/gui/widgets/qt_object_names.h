#pragma once

#include <QString>

namespace morvane {

// Tests and the layout find the window's controls and menu items by these names, so every one is set the
// same way, where the object is made.
template <class Object> Object* named(Object* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

} // namespace morvane
