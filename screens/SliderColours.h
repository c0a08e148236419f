#pragma once

#include <cstdint>

/// Colours of the softpot sliders as Windows COLORREF values, 0x00BBGGRR: red in the low
/// byte, then green, then blue. The screens and automatic tuning compare these numbers.
namespace SliderColours {

using Colorref = std::uint32_t;

constexpr Colorref kGreen = 0x0000FF00;  ///< 65280: selected row, transmitter off
constexpr Colorref kRed = 0x000000FF;    ///< 255: selected row, transmitter keyed
constexpr Colorref kGrey = 0x00C0C0C0;   ///< every other enabled row
/// Step by which the bevel colours of the thumb are lightened and darkened.
constexpr int kBevelStep = 51;

constexpr Colorref Rgb(int r, int g, int b) {
    return static_cast<Colorref>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Colorref c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(Colorref c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(Colorref c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

/// Raises each component by n where the result stays at most 255; a component that would
/// pass 255 is left as it is (never clipped).
Colorref Lighten(Colorref c, int n);
/// Lowers each component by n where it is at least n; a smaller component is left as it is.
Colorref Darken(Colorref c, int n);
/// Per component, the mean of the two colours rounded down.
Colorref Mix(Colorref a, Colorref b);

/// The system colours a slider derives its own from.
struct SystemColours {
    Colorref highlight = Rgb(0, 120, 215);  ///< selection fill of the channel
    Colorref face = kGrey;                  ///< three-dimensional face (initial thumb base)
    Colorref shadow = Rgb(128, 128, 128);   ///< button shadow
    Colorref highlight3d = Rgb(255, 255, 255);
    Colorref frame = Rgb(0, 0, 0);  ///< window frame, the thumb's outline
};

/// The colours a slider paints its thumb and channel with.
struct Palette {
    Colorref highlight = 0;
    Colorref base = 0;
    Colorref light1 = 0;   ///< base lightened by 51
    Colorref light2 = 0;   ///< light 1 lightened by 51
    Colorref dark1 = 0;    ///< base darkened by 51
    Colorref dark2 = 0;    ///< dark 1 darkened by 51
    Colorref faceMix = 0;  ///< mean of the face and shadow colours
    Colorref highlight3d = 0;
};

/// The palette of a thumb in the base colour, on these system colours.
Palette Derive(Colorref base, const SystemColours& system);

}  // namespace SliderColours
