#pragma once

#include <string>
#include <string_view>

namespace morvane {

inline constexpr std::string_view kApplicationTitle = "Morvane";

struct Version {
    int major;
    int minor;
    int revision;
};

// The version the build was configured with.
Version programVersion();

// The title, a blank and major.minor.revision in plain decimal: "Morvane 1.0.1".
std::string windowCaption(std::string_view title, Version version);

} // namespace morvane
