#pragma once

#include <QColor>

class QPalette;

namespace morvane {

// The colours of the contents preview, taken from the palette of the desktop's theme, light or dark, and
// chosen so that every text reads on its background. Lines and marked bytes draw in the palette's text
// colour on their tints.
struct PreviewColours {
    QColor text;
    QColor base;
    QColor header;       // the "@@" line of a group of changes, on base
    QColor removedLine;  // the background of an old line
    QColor removedBytes; // ... and of the bytes that change in it
    QColor addedLine;
    QColor addedBytes;
    QColor escape; // a control byte written as an escape, on base and on each tint
    QColor gap;    // the mark between pieces far apart, on base
};

PreviewColours previewColours(const QPalette& palette);

} // namespace morvane
