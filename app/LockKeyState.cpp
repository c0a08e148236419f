#include "app/LockKeyState.h"

#include <QtGui/QGuiApplication>

#if VEGAL_HAVE_XKB
#include <QtGui/qguiapplication_platform.h>
// After the Qt headers: Xlib defines macros (None, Bool, Status) that clash with Qt's names.
#include <X11/XKBlib.h>
#endif

#if VEGAL_HAVE_XKB
namespace {

/// The named indicator's state; false when the server has no such indicator.
bool IndicatorOn(Display* display, const char* name) {
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None)
        return false;
    Bool on = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return false;
    return on == True;
}

}  // namespace
#endif

std::optional<LockKeyState> QueryLockKeyState() {
#if VEGAL_HAVE_XKB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;
    static const bool hasXkb = [display] {
        int opcode = 0, event = 0, error = 0;
        int major = XkbMajorVersion, minor = XkbMinorVersion;
        return XkbQueryExtension(display, &opcode, &event, &error, &major, &minor) == True;
    }();
    if (!hasXkb)
        return std::nullopt;
    LockKeyState state;
    state.caps = IndicatorOn(display, "Caps Lock");
    state.num = IndicatorOn(display, "Num Lock");
    state.scroll = IndicatorOn(display, "Scroll Lock");
    return state;
#else
    return std::nullopt;
#endif
}
