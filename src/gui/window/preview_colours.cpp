#include "gui/window/preview_colours.h"

#include "core/app/colour_contrast.h"

#include <QPalette>
#include <array>

namespace morvane {

namespace {

// The hues of what goes and what comes, as diff views show them.
constexpr Srgb kRemovedHue{0xe0, 0x40, 0x40};
constexpr Srgb kAddedHue{0x40, 0xb0, 0x50};
// How far a line and its changed bytes are tinted towards their hue, where the text still reads.
constexpr double kLineTint = 0.2;
constexpr double kBytesTint = 0.45;
// How far the gap's mark leans towards the background: it is no part of the file.
constexpr double kGapShare = 0.45;

Srgb srgbOf(const QColor& colour) {
    return {colour.red(), colour.green(), colour.blue()};
}

QColor colourOf(Srgb rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

} // namespace

PreviewColours previewColours(const QPalette& palette) {
    const Srgb text = srgbOf(palette.color(QPalette::Active, QPalette::Text));
    const Srgb base = srgbOf(palette.color(QPalette::Active, QPalette::Base));
    const std::array<Srgb, 5> backgrounds{base, readableTint(base, kRemovedHue, kLineTint, text),
                                          readableTint(base, kRemovedHue, kBytesTint, text),
                                          readableTint(base, kAddedHue, kLineTint, text),
                                          readableTint(base, kAddedHue, kBytesTint, text)};
    // Escapes and the header take the link colour, which stands apart from the file's own text.
    const Srgb link = srgbOf(palette.color(QPalette::Active, QPalette::Link));
    return {.text = colourOf(text),
            .base = colourOf(base),
            .header = colourOf(readableOn(link, text, std::span(backgrounds).first(1))),
            .removedLine = colourOf(backgrounds[1]),
            .removedBytes = colourOf(backgrounds[2]),
            .addedLine = colourOf(backgrounds[3]),
            .addedBytes = colourOf(backgrounds[4]),
            .escape = colourOf(readableOn(link, text, backgrounds)),
            .gap = colourOf(readableOn(mixed(text, base, kGapShare), text, std::span(backgrounds).first(1)))};
}

} // namespace morvane
