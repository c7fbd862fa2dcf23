// The program's icons, painted at run time: the application icon (a film scan with its 3 × 2 grid of
// images) and the eight toolbar buttons.
#pragma once

#include "CommandTable.h"

#include <QIcon>

namespace gc {

QIcon ApplicationIcon();
// The toolbar button image of command `id`: the desktop theme's icon, or the painted one where the
// theme has none; an empty icon for commands without a button.
QIcon ToolbarIcon(CommandId id);

} // namespace gc
