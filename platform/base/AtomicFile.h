#pragma once
// Saving without ever destroying the previous file: the data goes to a temporary file beside
// the target ("NAME.~XXXXXX"), is flushed to disk, and only then replaces the target by rename.
#include <cstddef>
#include <string>

namespace platform {

// The saved file keeps the permissions of the file it replaces; a new one gets 0666 less the
// umask, as any file a program creates.
inline constexpr unsigned KeepFileMode = ~0u;

// Returns false and fills `error` (when given) with a readable reason on any failure; the
// target is then untouched and no temporary file is left behind. A symbolic link is saved
// through to the file it names; a target that exists and is not a regular file is refused.
// A `mode` other than KeepFileMode is the saved file's permissions (0600 for a file only its
// owner may read); the data is never readable under wider ones on the way.
//
// A save that was killed (or lost power) before its rename leaves its temporary file behind; the
// next save of the same target removes such files: regular files of exactly that name pattern,
// owned by this user, older than the running save and held by no save still writing.
bool SaveFileAtomic(const std::string& path, const void* data, size_t size,
                    std::string* error = nullptr, unsigned mode = KeepFileMode);

// Reads a whole regular file. Returns false (and a reason) at once when it cannot be opened or
// read, or is not a regular file (a folder, pipe or device is never read as data).
bool ReadWholeFile(const std::string& path, std::string& content, std::string* error = nullptr);

}  // namespace platform
