#include "core/app/colour_contrast.h"

#include <algorithm>
#include <cmath>

namespace morvane {

namespace {

// Small enough that the colour found is close to the one wanted, large enough to be found at once.
constexpr double kStep = 0.05;

double linearChannel(int channel) {
    const double value = std::clamp(channel, 0, 255) / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

bool readsOnAll(Srgb text, std::span<const Srgb> backgrounds) {
    return std::all_of(backgrounds.begin(), backgrounds.end(), [text](Srgb background) {
        return contrastRatio(text, background) >= kReadableContrast;
    });
}

} // namespace

double relativeLuminance(Srgb colour) {
    return 0.2126 * linearChannel(colour.red) + 0.7152 * linearChannel(colour.green) +
           0.0722 * linearChannel(colour.blue);
}

double contrastRatio(Srgb first, Srgb second) {
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

Srgb mixed(Srgb from, Srgb to, double share) {
    const auto channel = [share](int a, int b) {
        return static_cast<int>(std::lround(a + (b - a) * std::clamp(share, 0.0, 1.0)));
    };
    return {channel(from.red, to.red), channel(from.green, to.green), channel(from.blue, to.blue)};
}

Srgb readableTint(Srgb base, Srgb hue, double share, Srgb text) {
    for (double tried = share; tried > 0; tried -= kStep) {
        const Srgb tint = mixed(base, hue, tried);
        if (contrastRatio(text, tint) >= kReadableContrast) {
            return tint;
        }
    }
    return base;
}

Srgb readableOn(Srgb wanted, Srgb text, std::span<const Srgb> backgrounds) {
    for (double towardsText = 0; towardsText < 1; towardsText += kStep) {
        const Srgb tried = mixed(wanted, text, towardsText);
        if (readsOnAll(tried, backgrounds)) {
            return tried;
        }
    }
    return text;
}

} // namespace morvane
