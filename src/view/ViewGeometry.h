// Window-free arithmetic of the image view: the pan step, the right-drag position read-out, the
// outline of a pick box on screen and the fitting of an image to a printed page.
#pragma once

#include <string>

namespace gc {

struct ViewPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ViewPoint&) const = default;
};

struct ViewSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const ViewSize&) const = default;
};

// Where a left-button drag moves the scroll position: the picture follows the pointer, so the
// target is scroll − (pointer − last), each coordinate clamped to 0 .. the zoomed size.
ViewPoint PanTarget(ViewPoint scroll, ViewPoint last, ViewPoint pointer, ViewSize zoomed);

// The read-out of a right-button drag, in displayed-picture pixels, four lines each ended by "\n".
std::string PositionReadout(ViewPoint start, ViewPoint end);

// The red square drawn for a pick centred at `centre` (image pixels) with mask size `maskSize`:
// top-left corner in window coordinates and the side length, both at the given zoom and scroll.
struct PickOutline {
    int left = 0;
    int top = 0;
    int side = 0;
};
PickOutline PickOutlineAt(ViewPoint centre, int maskSize, float zoom, ViewPoint scroll);

// The printed size of a width × height image on a page of pageWidth × pageHeight device pixels:
// scaled to fill the page in one direction, keeping the aspect ratio.
ViewSize FitToPage(int width, int height, int pageWidth, int pageHeight);

} // namespace gc
