#pragma once

/// Texts of the string table that more than one window shows.
namespace Str {
/// 61447: a second feature screen was asked for.
constexpr const char* kOneScreen = "Close the current window before opening another window!";
/// 61448: the read failure message.
constexpr const char* kCommFailed =
    "Communication with the radio failed. Please Read the Radio Again!";
/// 61449, 61450, 61451: status line texts, each followed by a frequency in MHz.
constexpr const char* kTransmitterOff = "TRANSMITTER OFF - ";
constexpr const char* kTransmittingAt = "TRANSMITTING AT - ";
constexpr const char* kReceivingAt = "RECEIVING AT - ";
}  // namespace Str
