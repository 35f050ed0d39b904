#include "core/app/program_version.h"

namespace morvane {

Version programVersion() {
    return Version{MORVANE_VERSION_MAJOR, MORVANE_VERSION_MINOR, MORVANE_VERSION_REVISION};
}

std::string windowCaption(std::string_view title, Version version) {
    return std::string(title) + " " + std::to_string(version.major) + "." + std::to_string(version.minor) +
           "." + std::to_string(version.revision);
}

} // namespace morvane
