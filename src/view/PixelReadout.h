// What the viewer's status bar tells about the pointer, without windows: the texts of the zoom,
// position and value panes, the value read from the image's own values.
#pragma once

#include "image/MrcHeader.h"
#include "image/PixelStore.h"

#include <string>

namespace gc {

// "Zoom 25%": the factor as a percentage, at most one decimal.
std::string ZoomPaneText(float zoom);
// "x 12, y 7": 1-based, as cut and pick coordinates count.
std::string PositionPaneText(int x, int y);
// The value pane for an MRC pixel: "value 12" for integer modes, "value 0.2531" for floats.
std::string MrcValuePaneText(double value, int mode);
// The value pane for a picture pixel: "grey 12" when its three components agree, else "RGB 1, 2, 3".
std::string PictureValuePaneText(unsigned char red, unsigned char green, unsigned char blue);

// The value pane for pixel (x, y) of `image`, from its own values: "grey 12" for 8-bit grey, "RGB 1,
// 2, 3" for colour, "value 812" for 16-bit samples and "value 0.2531" for floats.
std::string StoreValuePaneText(const PixelStore& image, int x, int y);

} // namespace gc
