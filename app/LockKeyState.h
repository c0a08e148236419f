#pragma once

#include <functional>
#include <optional>

/// Whether the keyboard's Caps, Num and Scroll Lock are on.
struct LockKeyState {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

using LockKeySource = std::function<std::optional<LockKeyState>()>;

/// The lock keys of the keyboard where the platform tells them: on X11 through the keyboard
/// extension's indicators. Empty on other platforms (Wayland, offscreen) and when the X
/// server has no keyboard extension.
std::optional<LockKeyState> QueryLockKeyState();
