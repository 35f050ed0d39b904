#pragma once

#include <QWidget>

class QGroupBox;

namespace morvane {

// A frame's title drawn over everything else in the frame. A page's background picture is a child that fills
// the whole frame, so it covers the title the frame draws itself. Clicks go through to what lies beneath.
class FrameTitleView : public QWidget {
public:
    explicit FrameTitleView(QGroupBox& frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Where the frame's style puts its title, in the frame's coordinates.
    QRect titleRect() const;
    void followFrame();

    QGroupBox& frame_;
};

} // namespace morvane
