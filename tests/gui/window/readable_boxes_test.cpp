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
        for (const QColor& background : {c.base, c.removedLine, c.removedBytes, c.addedLine, c.addedBytes}) {
            EXPECT_GE(contrast(c.text, background), kReadableContrast)
                << name << ": text on " << background.name().toStdString();
            EXPECT_GE(contrast(c.escape, background), kReadableContrast)
                << name << ": escape on " << background.name().toStdString();
        }
        EXPECT_GE(contrast(c.header, c.base), kReadableContrast) << name << ": @@ header";
        EXPECT_GE(contrast(c.gap, c.base), kReadableContrast) << name << ": gap";
        // The tints still tell old from new, and lines from their changed bytes.
        EXPECT_TRUE(c.removedLine != c.base && c.addedLine != c.base && c.removedBytes != c.removedLine &&
                    c.addedBytes != c.addedLine && c.escape != c.text && c.gap != c.text)
            << name;
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
