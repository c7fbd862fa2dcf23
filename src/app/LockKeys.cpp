#include "LockKeys.h"

#include <QGuiApplication>

#ifdef GC_HAVE_X11
#include <X11/XKBlib.h>
#endif

namespace gc {

std::optional<LockKeyState> QueryLockKeys() {
#ifdef GC_HAVE_X11
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 != nullptr ? x11->display() : nullptr;
    if (display == nullptr)
        return std::nullopt;
    auto indicator = [display](const char* name) {
        const Atom atom = XInternAtom(display, name, False);
        Bool on = False;
        if (atom == None || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
            return false;
        return on == True;
    };
    return LockKeyState{indicator("Caps Lock"), indicator("Num Lock"), indicator("Scroll Lock")};
#else
    return std::nullopt;
#endif
}

} // namespace gc
