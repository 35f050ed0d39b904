#include "core/app/colour_contrast.h"
#include "gui/window/preview_colours.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <gtest/gtest.h>
#include <vector>

namespace morvane {
namespace {

double contrast(const QColor& text, const QColor& background) {
    return contrastRatio({text.red(), text.green(), text.blue()},
                         {background.red(), background.green(), background.blue()});
}

// A dark desktop theme as GTK's dark Adwaita gives it, with the link colour left at the light default, as
// themes that set no link colour leave it.
QPalette darkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    palette.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xec));
    palette.setColor(QPalette::Base, QColor(0x2d, 0x2d, 0x2d));
    palette.setColor(QPalette::Text, QColor(0xee, 0xee, 0xec));
    palette.setColor(QPalette::Link, QColor(0x00, 0x00, 0xff));
    return palette;
}

TEST(PreviewColours, EveryTextReadsOnItsBackgroundInLightAndDarkThemes) {
    const std::vector<std::pair<const char*, QPalette>> palettes{
        {"light", QApplication::style()->standardPalette()}, {"dark", darkPalette()}};
    for (const auto& [name, palette] : palettes) {
        const PreviewColours c = previewColours(palette);
        const std::vector<std::tuple<const char*, QColor, QColor>> drawn{
            {"text", c.text, c.base},
            {"@@ header", c.header, c.base},
            {"old line", c.text, c.removedLine},
            {"old bytes", c.text, c.removedBytes},
            {"new line", c.text, c.addedLine},
            {"new bytes", c.text, c.addedBytes},
            {"escape", c.quiet, c.base},
            {"escape in old line", c.quiet, c.removedLine},
            {"escape in old bytes", c.quiet, c.removedBytes},
            {"escape in new line", c.quiet, c.addedLine},
            {"escape in new bytes", c.quiet, c.addedBytes},
        };
        for (const auto& [what, text, background] : drawn) {
            EXPECT_GE(contrast(text, background), kReadableContrast) << name << ": " << what;
        }
        // The tints still tell old from new, and lines from their changed bytes.
        EXPECT_NE(c.removedLine, c.base) << name;
        EXPECT_NE(c.addedLine, c.base) << name;
        EXPECT_NE(c.removedBytes, c.removedLine) << name;
        EXPECT_NE(c.addedBytes, c.addedLine) << name;
        EXPECT_NE(c.quiet, c.text) << name;
    }
}

} // namespace
} // namespace morvane
