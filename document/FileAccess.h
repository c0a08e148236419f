#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// Reading and writing whole files so that nothing blocks, nothing is lost and every failure
/// says why: for .tun files and for the reports the tool saves.
namespace FileAccess {

/// Reads a regular file, at most max + 1 bytes (so that a larger one shows as such). Anything
/// else (a folder, a named pipe, a device) is refused before it is read, so that nothing
/// blocks and nothing is read that is no file. error says why ("No such file or directory").
bool ReadRegularFile(const std::string& path, std::size_t max, std::vector<std::uint8_t>& out,
                     std::string& error);

/// Replaces a file with these bytes, or creates it: written to a temporary file beside it
/// ("radio.tun.vegal-save-PID-N.tmp", removed on every failure), flushed to disk and renamed
/// over the old one, so that a failed write leaves the old file as it was. A symbolic link is
/// followed to where it ends (also when that is missing); a folder, a special file or a loop of
/// links is refused. error says why.
bool ReplaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                 std::string& error);

}  // namespace FileAccess
