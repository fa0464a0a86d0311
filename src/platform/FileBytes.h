#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace padscope {

// Opens the regular file at `path` for reading (binary) and sets `size` to its
// size. The check is made on the opened file itself, and the open never waits:
// a FIFO or a device put under the name after any earlier check is refused at
// once instead of blocking the caller. nullptr when it is not a regular file or
// cannot be opened. Any thread.
std::FILE* OpenRegularFile(const std::filesystem::path& path, uintmax_t& size);

// Reads at most maxBytes from the start of the regular file at `path` into
// `out` (replacing its contents). Returns false, with `out` empty, when the
// file is missing, is not a regular file, or cannot be read. Any thread.
bool ReadFileBytes(const std::filesystem::path& path, std::size_t maxBytes,
                   std::vector<uint8_t>& out);

// Creates or replaces the file at `path` with `bytes`. The bytes go to a new
// file under a fresh name beside it first ("<path>.<random hex>.new", never a
// file that already exists), are flushed to disk and then renamed over
// `path`, so a failure at any step leaves the previous file whole and nobody
// else's file touched. Returns false (and removes the temporary file) when
// any step fails. Any thread.
bool ReplaceFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes);

// The first half of ReplaceFileBytes: writes `bytes` into a new file under a
// fresh name beside `path` ("<path>.<16 hex digits>.new"), flushed to disk,
// and returns that name; none (and no file left) when a step fails. The
// caller renames it into place or removes it. `sync` false leaves the flush to
// the system (tests that write thousands of files). Any thread.
std::optional<std::filesystem::path> WriteFileBytesAside(const std::filesystem::path& path,
                                                         std::span<const uint8_t> bytes,
                                                         bool sync = true);

// The bytes from an open stream's position to the end of its file; 0 when
// the stream is not a regular file (a pipe) or cannot tell. Any thread.
uintmax_t BytesLeft(std::FILE* stream);

}  // namespace padscope
