#pragma once

#include <QWidget>

namespace morvane {

struct Rgb {
    int red;
    int green;
    int blue;
};
inline constexpr Rgb kProgressColour{67, 142, 142};

// The progress bar of the runs: a solid bar growing from the left edge. It keeps its last drawing, so a
// repaint shows the same bar without the run drawing it again. Assistive technology hears each new
// percentage.
class ProgressPicture : public QWidget {
    Q_OBJECT

public:
    explicit ProgressPicture(QWidget* parent = nullptr);

    // Flat, without a border.
    void setUpProgress();
    // Draws the bar at the percentage clamped to 0..100.
    void drawProgress(int percent, Rgb colour);

    int percent() const { return percent_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int percent_ = 0;
    Rgb colour_ = kProgressColour;
};

} // namespace morvane
