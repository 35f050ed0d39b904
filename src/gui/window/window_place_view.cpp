// The main window's place: shown where it was left when a screen still shows it there, and remembered when it
// closes.
#include "gui/window/window_place_view.h"

#include "core/app/form_layout.h"
#include "core/state/window_place.h"
#include "gui/widgets/qt_form_layout.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>

namespace morvane {

void showWindowInPlace(QMainWindow& window, const std::string& stateFolder) {
    const QSize frame = windowFrameSize(window);
    const QSize least = window.minimumSizeHint().expandedTo(window.minimumSize()) + frame;
    const PixelSize minimum{least.width(), least.height()};
    std::vector<PixelRect> areas;
    for (const QScreen* screen : QGuiApplication::screens()) {
        areas.push_back(pixelRect(screen->availableGeometry()));
    }
    const std::optional<WindowPlace> remembered = readWindowPlace(stateFolder);
    std::optional<PixelRect> place;
    if (remembered) {
        place = placeRemembered({remembered->left, remembered->top, remembered->width + frame.width(),
                                 remembered->height + frame.height()},
                                minimum, areas);
    }
    if (!place) {
        // A window of 12000 by 9000 twips, where every rule of the layout has room.
        const QSize designed = QSize(pixelsFromTwips(12000),
                                     pixelsFromTwips(9000 - 700) + window.menuBar()->sizeHint().height()) +
                               frame;
        const QScreen* screen = QGuiApplication::primaryScreen();
        place = placeInArea({designed.width(), designed.height()}, minimum,
                            screen ? pixelRect(screen->availableGeometry()) : PixelRect{0, 0, 1920, 1080});
    }
    window.move(place->left, place->top);
    window.resize(place->width - frame.width(), place->height - frame.height());
    if (remembered && remembered->maximized) {
        window.showMaximized();
    } else {
        window.show();
    }
}

void rememberWindowPlace(const QMainWindow& window, const std::string& stateFolder) {
    if (!window.isVisible()) {
        return;
    }
    // A maximized window's normal geometry is that of its contents; its frame starts as far above and left.
    const QPoint frameCorner = window.pos() - window.geometry().topLeft();
    const QRect normal = window.isMaximized() || window.isFullScreen()
                             ? window.normalGeometry().translated(frameCorner)
                             : QRect(window.pos(), window.size());
    storeWindowPlace(stateFolder,
                     {normal.left(), normal.top(), normal.width(), normal.height(), window.isMaximized()});
}

} // namespace morvane
