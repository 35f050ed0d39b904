#include "core/app/colour_contrast.h"
#include "gui/widgets/message_dialog.h"
#include "gui/window/preview_colours.h"
#include "gui/window/qt_run_report.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <gtest/gtest.h>
#include <string>
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
            {"escape", c.escape, c.base},
            {"escape in old line", c.escape, c.removedLine},
            {"escape in old bytes", c.escape, c.removedBytes},
            {"escape in new line", c.escape, c.addedLine},
            {"escape in new bytes", c.escape, c.addedBytes},
            {"gap", c.gap, c.base},
        };
        for (const auto& [what, text, background] : drawn) {
            EXPECT_GE(contrast(text, background), kReadableContrast) << name << ": " << what;
        }
        // The tints still tell old from new, and lines from their changed bytes.
        EXPECT_NE(c.removedLine, c.base) << name;
        EXPECT_NE(c.addedLine, c.base) << name;
        EXPECT_NE(c.removedBytes, c.removedLine) << name;
        EXPECT_NE(c.addedBytes, c.addedLine) << name;
        EXPECT_NE(c.escape, c.text) << name;
        EXPECT_NE(c.gap, c.text) << name;
    }
}

// What an interrupted run over thousands of files leaves: a box that lists every file would reach far below
// the screen and hide its question and buttons.
TEST(MessageBox, AQuestionOverThousandsOfPathsFitsAScreenOf1000Pixels) {
    std::vector<LeftoverNote> leftovers;
    for (int i = 0; i < 5000; ++i) {
        LeftoverNote note;
        note.path = "/home/user/project/src/module_" + std::to_string(i) + "/file.txt.morvane-tmp";
        leftovers.push_back(note);
    }
    const auto message = [](std::string_view, const char* builtIn) { return QString::fromUtf8(builtIn); };
    const BoxText text = runReport(leftovers, {}, message, QStringLiteral("Undo the part that was done?"));
    const auto box = messageBox(nullptr, QStringLiteral("Morvane"), text, Dialogs::Icon::None, true);
    box->show();
    const QSize size = box->size();
    EXPECT_LE(size.height(), 1000 - 100) << "room for the desktop's panels";
    EXPECT_LE(size.width(), 1000);
    EXPECT_TRUE(text.text.contains(QStringLiteral("Undo the part that was done?")));
    EXPECT_TRUE(text.text.contains(QStringLiteral("4995")));
    for (QAbstractButton* button : box->buttons()) {
        EXPECT_TRUE(box->rect().contains(QRect(button->mapTo(box.get(), QPoint(0, 0)), button->size())));
    }
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Yes));
    EXPECT_EQ(box->detailedText().count(QLatin1Char('\n')), 4999) << "the details hold every path";
}

} // namespace
} // namespace morvane
