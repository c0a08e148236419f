#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CTunerDoc;

/// The .tun file: the document's object archive (serial number, model number, then the
/// saved records as CSaveValues objects), little-endian, byte-compatible with older files.
namespace TunFile {

/// Bytes the open operation reads for its start test.
constexpr std::size_t kStartTestBytes = 50;
/// Largest file the open operation loads (a radio's data set takes 1301 bytes).
constexpr std::size_t kMaxFileBytes = 1u << 20;

/// The archive bytes of the document (store direction; marks it loaded from a file).
std::vector<std::uint8_t> Store(CTunerDoc& doc);

/// Loads archive bytes into the document (load direction): identity, saved records and the
/// feature-present flags. On a malformed archive returns false with a reason in error and
/// changes nothing in the document's records.
bool Load(CTunerDoc& doc, const std::uint8_t* data, std::size_t size, std::string& error);

/// Writes the archive to path through a new file that replaces the old one only when it is
/// complete. Returns false with a reason in error; the old file then survives untouched.
bool Save(CTunerDoc& doc, const std::string& path, std::string& error);

/// Save, reporting a failure through the host (stop icon) with the path and the reason.
bool SaveDocument(CTunerDoc& doc, const std::string& path);

/// The open operation with its rules in order ("Unexpected file format", "Error Reading
/// File: File Corrupted!", "Please close current windows before loading new data."),
/// then empties the document, loads it and sets the title. Messages go through the host.
bool OpenDocument(CTunerDoc& doc, const std::string& path);

}  // namespace TunFile
