// Where the program's windows open: each fits the screen it opens on (whatever its scaling), and a
// window that belongs to the main window opens over it, on its screen.
#pragma once

#include <QRect>
#include <QSize>

namespace gc {

// Share of the screen's free area a window may fill at most, leaving room for its frame and title.
inline constexpr double SCREEN_SHARE = 0.9;

// `wanted`, shrunk where needed to SCREEN_SHARE of `available` (the screen without its panels).
QSize FittedWindowSize(QSize wanted, QSize available);

// Where a window of `size` opens: centred on `owner` (the main window's frame), kept inside
// `available` (the owner's screen without its panels) and never larger than it.
QRect PlaceOnOwnerScreen(QSize size, const QRect& owner, const QRect& available);

} // namespace gc
