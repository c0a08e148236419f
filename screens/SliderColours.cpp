#include "screens/SliderColours.h"

namespace SliderColours {

namespace {

/// Applies a change to each of the three components.
template <typename Fn>
Colorref PerComponent(Colorref c, Fn fn) {
    return Rgb(fn(RedOf(c)), fn(GreenOf(c)), fn(BlueOf(c)));
}

}  // namespace

Colorref Lighten(Colorref c, int n) {
    return PerComponent(c, [n](int v) { return v + n <= 255 ? v + n : v; });
}

Colorref Darken(Colorref c, int n) {
    return PerComponent(c, [n](int v) { return v >= n ? v - n : v; });
}

Colorref Mix(Colorref a, Colorref b) {
    return Rgb((RedOf(a) + RedOf(b)) / 2, (GreenOf(a) + GreenOf(b)) / 2,
               (BlueOf(a) + BlueOf(b)) / 2);
}

Palette Derive(Colorref base, const SystemColours& system) {
    Palette p;
    p.highlight = system.highlight;
    p.base = base;
    p.light1 = Lighten(base, kBevelStep);
    p.light2 = Lighten(p.light1, kBevelStep);
    p.dark1 = Darken(base, kBevelStep);
    p.dark2 = Darken(p.dark1, kBevelStep);
    p.faceMix = Mix(system.face, system.shadow);
    p.highlight3d = system.highlight3d;
    return p;
}

}  // namespace SliderColours
