#pragma once
// The main window's geometry: every control that follows the window's size,
// computed from the window's outer size in twips (1/1440 inch), the two
// show/hide states and the controls' design positions. Nothing here touches
// a widget, so the numbers can be checked exactly.

#include <QHash>
#include <QString>

namespace lectern::shell {

struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int right() const { return left + width; }
    int bottom() const { return top + height; }
    friend bool operator==(const TwipRect&, const TwipRect&) = default;
};

using ControlRects = QHash<QString, TwipRect>;

// The window may not be made smaller than this.
inline constexpr int MinimumWindowWidth = 9495;
inline constexpr int MinimumWindowHeight = 8100;

// The room above a page's controls taken by the page strip's tab row; page
// controls' tops are measured from the strip's top edge.
inline constexpr int PageHeaderTwips = 360;

struct LayoutInput {
    int windowWidth = 0;
    int windowHeight = 0;
    bool settingsHidden = false;
    bool favouritesVisible = false;
    // Where every control stands now (its design position before the first
    // pass). SSTab1 and SSTab2 are in the window's client area, the others
    // in their page, measured from the page strip's top-left corner.
    ControlRects controls;
};

struct LayoutResult {
    int windowWidth = 0;
    int windowHeight = 0;
    bool settingsStripVisible = true;
    ControlRects controls;
};

// Design positions of every control the layout places.
ControlRects designPositions();

// One pass of the window's resize handling, minus the tray: the minimum size,
// the page strip and settings strip, and each page's controls. Controls
// absent from the input are taken at their design position.
LayoutResult computeWindowLayout(const LayoutInput& input);

} // namespace lectern::shell
