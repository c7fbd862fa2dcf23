#include "WindowPlacement.h"

#include <algorithm>
#include <cmath>

namespace gc {

QSize FittedWindowSize(QSize wanted, QSize available) {
    const QSize room(static_cast<int>(std::floor(available.width() * SCREEN_SHARE)),
                     static_cast<int>(std::floor(available.height() * SCREEN_SHARE)));
    return wanted.boundedTo(room);
}

QRect PlaceOnOwnerScreen(QSize size, const QRect& owner, const QRect& available) {
    size = size.boundedTo(available.size());
    QRect placed(QPoint(0, 0), size);
    placed.moveCenter(owner.center());
    placed.moveLeft(std::clamp(placed.left(), available.left(), available.right() - size.width() + 1));
    placed.moveTop(std::clamp(placed.top(), available.top(), available.bottom() - size.height() + 1));
    return placed;
}

} // namespace gc
