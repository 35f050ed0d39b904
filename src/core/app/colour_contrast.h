#pragma once

#include <span>

namespace morvane {

// A colour of the screen, each channel 0 to 255 in sRGB.
struct Srgb {
    int red = 0;
    int green = 0;
    int blue = 0;
};

// The least contrast at which text of a normal size reads for most people (WCAG 2, level AA).
inline constexpr double kReadableContrast = 4.5;

// How bright the colour looks, from 0 (black) to 1 (white), as the WCAG 2 formula has it.
double relativeLuminance(Srgb colour);
// From 1 (the same brightness) to 21 (black on white); the same either way round.
double contrastRatio(Srgb first, Srgb second);
// `share` of `to` and the rest of `from`, channel by channel.
Srgb mixed(Srgb from, Srgb to, double share);

// `base` tinted towards `hue` by `share` at most, less where `text` would no longer read on the tint.
Srgb readableTint(Srgb base, Srgb hue, double share, Srgb text);
// `wanted`, moved towards `text` as far as it takes to read on every background; `text` reads on them all.
Srgb readableOn(Srgb wanted, Srgb text, std::span<const Srgb> backgrounds);

} // namespace morvane
