#pragma once

#include <QLabel>
#include <QObject>
#include <QPixmap>
#include <array>
#include <functional>
#include <map>
#include <string>

namespace morvane {

// A frame in the palette's highlight colour around a control that has the keyboard focus: captions and
// pictures have no frame of their own that the style would mark.
void drawFocusFrame(QWidget& widget);

// A picture that acts as a button: it stretches its image to its size, and reports hovering and clicks. Tab
// gives it the focus and Enter and Space act as a click, so the keyboard reaches it too; a click with the
// mouse leaves the focus where it was.
class ImageButton : public QLabel {
    Q_OBJECT

public:
    ImageButton(int index, QWidget* parent);
    int index() const { return index_; }
    // What a click, Enter or Space does; also the press of assistive technology.
    void press() { emit clicked(index_); }

signals:
    void hovered(int index);
    void clicked(int index);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int index_;
};

// The skin of the window: four images per button (normal, hover, and two the rules never show) and the
// background of the pages and the About dialog, read once from Icons/Skin0 of the application folder. A
// missing or unreadable file gives an empty picture and the program runs on.
class Skin : public QObject {
    Q_OBJECT

public:
    // The images of the buttons the window shows: Execute (2) and the swap in the editor (5).
    static constexpr std::array<int, 2> kButtons{2, 5};
    static constexpr int kStates = 4;

    explicit Skin(QObject* parent = nullptr);

    void loadButtonImages(const std::string& appFolder);
    // A click, after the buttons went back to normal, does the action.
    void addButton(ImageButton& button, std::function<void()> action);
    void addBackground(QLabel& background);
    // Every button back to its normal image; the first time also the backgrounds.
    void refreshButtonIcons(bool firstTime);
    // Moving the mouse over the widget puts the buttons back to their normal images.
    void addResetSurface(QWidget& widget);

    const QPixmap& image(int button, int state) const;
    const QPixmap& background() const { return background_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void hover(int index);

    std::map<std::pair<int, int>, QPixmap> images_; // by (button, state)
    QPixmap background_;
    std::map<int, ImageButton*> buttons_;
    std::vector<QLabel*> backgrounds_;
};

} // namespace morvane
