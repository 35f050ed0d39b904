#include "core/journal/file_reasons.h"

namespace morvane {

std::string cannotReadText(std::string_view error) {
    return "cannot be read: " + std::string(error);
}

std::string cannotWriteText(std::string_view error) {
    return "cannot be written: " + std::string(error);
}

std::string cannotRenameText(std::string_view refused) {
    return "cannot be renamed: " + std::string(refused);
}

std::string cannotRenameToText(std::string_view name, std::string_view error) {
    return "cannot be renamed to \"" + std::string(name) + "\": " + std::string(error);
}

std::string asideNameNotHeldText(std::string_view aside) {
    return "its aside name \"" + std::string(aside) + "\" cannot be held";
}

} // namespace morvane
