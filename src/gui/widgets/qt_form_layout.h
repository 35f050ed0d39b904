#pragma once

#include "core/app/form_layout.h"

#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

namespace morvane {

// Gives every label of the layout the width of its caption, so that a caption from the language file longer
// than the English one the design was drawn for is never cut off, and the layout knows what it covers.
void measureCaptions(const QWidget& root, FormLayout& layout);

// Puts every control of the layout at its rectangle, each found below the root (the page stack, where no
// other window's controls are) by its object name (a control the window does not have is passed over; the
// pages fill the window and are not placed).
void placeControls(QWidget& root, const FormLayout& layout);

PixelRect pixelRect(const QRect& rect);

// The window's form below its page stack: the layout, fitted to the stack's size, and the least size at
// which every control can still be used, which depends on the captions alone and is worked out again only
// when they change.
class FormView {
public:
    const FormLayout& layout() const { return layout_; }
    // Measures the captions, keeps the stack from getting smaller than the least size and fits the layout
    // to the stack.
    void fit(QWidget& pages);
    void place(QWidget& pages) const { placeControls(pages, layout_); }

private:
    void keepUsableSize(QWidget& pages);

    FormLayout layout_ = designFormLayout();
    std::vector<double> sizedForCaptions_; // the captions' widths the least size was worked out for
};

// What the window system draws around a window's contents: measured once the window has a frame, guessed
// before (a common caption and border; a guess too large only makes a first window a little smaller).
QSize windowFrameSize(const QWidget& window);

} // namespace morvane
