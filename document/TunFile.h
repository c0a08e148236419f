#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CTunerDoc;

/// The .tun file: the document's object archive (serial number, model number, then the
/// saved records as CSaveValues objects), little-endian, byte-compatible with older files.
namespace TunFile {

/// Largest file the open operation loads (a radio's data set takes 1301 bytes).
constexpr std::size_t kMaxFileBytes = 1u << 20;

/// The archive bytes of the document (store direction; marks it loaded from a file).
std::vector<std::uint8_t> Store(CTunerDoc& doc);

/// Loads archive bytes into the document (load direction): identity, saved records and the
/// feature-present flags (a record marks its feature only when it is of the type its
/// position stands for). On a malformed archive returns false with a reason in error and
/// changes nothing in the document's records.
bool Load(CTunerDoc& doc, const std::uint8_t* data, std::size_t size, std::string& error);

/// Writes the archive to path through a new file that replaces the old one only when it is
/// complete; a symbolic link is followed to where it points (also when that file does not
/// exist yet), and anything there that is no regular file is refused. Returns false with a
/// reason in error; the old file then survives untouched and the temporary file is removed.
bool Save(CTunerDoc& doc, const std::string& path, std::string& error);

/// Makes a save beyond the file size limit (ulimit -f) fail with its message, and clean up
/// its temporary file, instead of killing the process: SIGXFSZ is ignored, so the write
/// reports EFBIG. The programs call it once at start-up.
void SurviveFileSizeLimit();

/// Save, reporting a failure through the host (stop icon) with the path and the reason.
bool SaveDocument(CTunerDoc& doc, const std::string& path);

/// The open operation with its rules in order ("Unexpected file format"; a path that cannot
/// be read or is no regular file, with the reason; "Error Reading File: File Corrupted!";
/// "Please close current windows before loading new data."), then empties the document,
/// loads it and sets the title. Messages go through the host.
bool OpenDocument(CTunerDoc& doc, const std::string& path);

}  // namespace TunFile
