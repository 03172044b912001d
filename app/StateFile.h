#pragma once

#include <string>
#include <string_view>

// Safe access to one named file in the shared state directory.
//
// The directory is writable by every user of the machine (sticky, like
// /tmp) and the program may run as root, so a name in it may have been
// planted by someone else: a symbolic or hard link to another file, a FIFO,
// a directory, or another user's file. The rules kept here:
//   - a name is never followed: a link is treated as a foreign entry, and
//     neither written through nor read through;
//   - a file is replaced as a whole: readers see the old contents or the new
//     ones, never a truncated or half-written file, even after a crash or a
//     full disk;
//   - a replacement never takes the place of an entry that is not a regular
//     file, or of a file owned by another user.
namespace StateFile {

// Writes `contents` to a new temporary file beside `path` (created
// exclusively, mode 0644, unpredictable name), flushes it to disk, renames it
// over `path` and flushes the directory. Returns 0 on success, otherwise an
// errno value; on failure the temporary file is removed and whatever was at
// `path` is left as it was.
int Replace(const std::string& path, std::string_view contents);

// Removes the name `path` unless it is a directory. A link is removed as the
// name it is; its target is never touched. Failures are not reported: the
// caller only wants the name gone where it may remove it.
void Remove(const std::string& path);

// True when `path` itself (not followed) is a regular file.
bool IsRegularFile(const std::string& path);

// True when `path` itself is a regular file with no other hard link, i.e. a
// file that can only have been made by writing it, not by linking to
// someone else's file.
bool IsSoleRegularFile(const std::string& path);

// Opens `path` for reading without following a link and without blocking on
// a FIFO or device; succeeds only for a regular file with a single hard link.
// Returns the descriptor (owned by the caller, close-on-exec) or -1 with
// errno set.
int OpenForReading(const std::string& path);

} // namespace StateFile
