#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CTunerDoc;

/// The .tun file: the document's object archive (serial number, model number, then the
/// saved records as CSaveValues objects), little-endian, byte-compatible with older files.
namespace TunFile {

/// The archive bytes of the document (store direction; marks it loaded from a file).
std::vector<std::uint8_t> Store(CTunerDoc& doc);

/// Loads archive bytes into the document (load direction): identity, saved records and the
/// feature-present flags. On a malformed archive returns false with a reason in error and
/// changes nothing in the document's records.
bool Load(CTunerDoc& doc, const std::uint8_t* data, std::size_t size, std::string& error);

/// Writes the archive to path through a new file that replaces the old one only when it is
/// complete. Returns false with a reason in error; the old file then survives untouched.
bool Save(CTunerDoc& doc, const std::string& path, std::string& error);

/// The open operation with its rules in order ("Unexpected file format", "Error Reading
/// File: File Corrupted!", "Please close current windows before loading new data."),
/// then empties the document, loads it and sets the title. Messages go through the host.
bool OpenDocument(CTunerDoc& doc, const std::string& path);

}  // namespace TunFile
