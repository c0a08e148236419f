#pragma once

#include <cstdint>

/// Status values in the manner of COM results: negative means failure.
using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
/// The radio did not answer within the time-out.
constexpr HRESULT E_RADIO_TIMEOUT = static_cast<HRESULT>(0x800705B4u);
/// A reply frame arrived but was malformed (bad sync, length or checksum).
constexpr HRESULT E_RADIO_BADFRAME = static_cast<HRESULT>(0x8007000Du);
/// The port could not be opened or is not usable.
constexpr HRESULT E_RADIO_PORT = static_cast<HRESULT>(0x80070002u);
/// The line hung up: the other end went away (adapter unplugged, pty closed).
constexpr HRESULT E_RADIO_HANGUP = static_cast<HRESULT>(0x8007048Fu);
/// The radio answered but refused the request (a non-zero status byte in its reply).
constexpr HRESULT E_RADIO_REFUSED = static_cast<HRESULT>(0x80070032u);

inline bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline bool FAILED(HRESULT hr) {
    return hr < 0;
}
