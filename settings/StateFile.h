#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

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
//     file, or of a file owned by another user;
//   - a scratch file is locked by its writer for as long as it is written,
//     so one that a killed writer left behind can be told from one in use
//     (RemoveStaleScratchFiles).
namespace StateFile {

// `path` cut at its last slash: the directory ("." when there is none) and
// the name in it.
std::pair<std::string, std::string> SplitPath(const std::string& path);

// Writes `contents` to a new scratch file beside `path` (created
// exclusively, unpredictable name ".<name>.<24 hex digits>.tmp", locked
// while written, mode 0644 once whole), flushes it to disk, renames it over
// `path` and flushes the directory. Returns 0 on success, otherwise an errno
// value; on failure the scratch file is removed and whatever was at `path`
// is left as it was. A kill part-way may leave the scratch file behind.
int Replace(const std::string& path, std::string_view contents);
// The same for `name` in the directory open at `dirFd` (not closed).
int ReplaceIn(int dirFd, const std::string& name, std::string_view contents);

// Removes the name `path` unless it is a directory. A link is removed as the
// name it is; its target is never touched. Returns 0 when the name is gone
// (or was never there, or is a directory, which is left alone), otherwise
// the errno value of the refused removal.
int Remove(const std::string& path);

// Removes from `directory` the scratch files that Replace left behind for
// any of `names` when it was killed: only regular files named exactly as
// Replace names them, owned by this process's effective user, and not
// locked by a writer. Links, other users' files and anything else are left
// alone. Returns how many it removed.
int RemoveStaleScratchFiles(const std::string& directory, std::initializer_list<std::string_view> names);

// True when `path` itself (not followed) is a regular file.
bool IsRegularFile(const std::string& path);

// True when `path` itself is a regular file with no other hard link, i.e. a
// file that can only have been made by writing it, not by linking to
// someone else's file, and is owned by this user or root.
bool IsSoleRegularFile(const std::string& path);

// Opens `path` for reading without following a link and without blocking on
// a FIFO or device; succeeds only for a regular file with a single hard link
// owned by this user or root (EPERM otherwise). Returns the descriptor
// (owned by the caller, close-on-exec) or -1 with errno set.
int OpenForReading(const std::string& path);

}  // namespace StateFile
