#pragma once

#include <span>

namespace morvane {

// A colour of the screen, each channel 0 to 255 in sRGB.
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
};

// The least contrast at which text of a normal size reads for most people (WCAG 2, level AA).
inline constexpr double kReadableContrast = 4.5;

// How bright the colour looks, from 0 (black) to 1 (white), as the WCAG 2 formula has it.
double relativeLuminance(Rgb colour);
// From 1 (the same brightness) to 21 (black on white); the same either way round.
double contrastRatio(Rgb first, Rgb second);
// `share` of `to` and the rest of `from`, channel by channel.
Rgb mixed(Rgb from, Rgb to, double share);

// `base` tinted towards `hue` by `share` at most, less where `text` would no longer read on the tint.
Rgb readableTint(Rgb base, Rgb hue, double share, Rgb text);
// `wanted`, moved towards `text` as far as it takes to read on every background; `text` reads on them all.
Rgb readableOn(Rgb wanted, Rgb text, std::span<const Rgb> backgrounds);

} // namespace morvane
