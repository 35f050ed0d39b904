#include "gui/window/preview_colours.h"

#include "core/app/colour_contrast.h"

#include <QPalette>
#include <array>

namespace morvane {

namespace {

// The hues of what goes and what comes, as diff views show them.
constexpr Rgb kRemovedHue{0xe0, 0x40, 0x40};
constexpr Rgb kAddedHue{0x40, 0xb0, 0x50};
// How far a line and its changed bytes are tinted towards their hue, where the text still reads.
constexpr double kLineTint = 0.2;
constexpr double kBytesTint = 0.45;
// How far escapes lean towards the background, to stand apart from the bytes themselves.
constexpr double kQuietShare = 0.45;

Rgb rgbOf(const QColor& colour) {
    return {colour.red(), colour.green(), colour.blue()};
}

QColor colourOf(Rgb rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

} // namespace

PreviewColours previewColours(const QPalette& palette) {
    const Rgb text = rgbOf(palette.color(QPalette::Active, QPalette::Text));
    const Rgb base = rgbOf(palette.color(QPalette::Active, QPalette::Base));
    const std::array<Rgb, 5> backgrounds{base, readableTint(base, kRemovedHue, kLineTint, text),
                                         readableTint(base, kRemovedHue, kBytesTint, text),
                                         readableTint(base, kAddedHue, kLineTint, text),
                                         readableTint(base, kAddedHue, kBytesTint, text)};
    const Rgb link = rgbOf(palette.color(QPalette::Active, QPalette::Link));
    return {.text = colourOf(text),
            .base = colourOf(base),
            .header = colourOf(readableOn(link, text, std::span(backgrounds).first(1))),
            .removedLine = colourOf(backgrounds[1]),
            .removedBytes = colourOf(backgrounds[2]),
            .addedLine = colourOf(backgrounds[3]),
            .addedBytes = colourOf(backgrounds[4]),
            .quiet = colourOf(readableOn(mixed(text, base, kQuietShare), text, backgrounds))};
}

} // namespace morvane
