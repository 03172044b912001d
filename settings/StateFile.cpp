#include "settings/StateFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Owns one file descriptor; closes it when leaving scope.
class Fd {
public:
    explicit Fd(int fd = -1) : FFd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }
    int get() const { return FFd; }
    int Release() { return std::exchange(FFd, -1); }
    void Reset(int fd = -1)
    {
        if (FFd >= 0)
            ::close(FFd);
        FFd = fd;
    }

private:
    int FFd;
};

// The owners whose files in the shared directory this user's program may take
// as its own.
bool IsOwnOrRoot(uid_t uid)
{
    return uid == ::geteuid() || uid == 0;
}

constexpr std::size_t kRandomBytes = 12;
constexpr const char kScratchSuffix[] = ".tmp";
constexpr std::string_view kHex = "0123456789abcdef";

// A name no other process can guess ahead of time, so nobody can plant a
// link or a file there before it is created: "." + name + "." + 24 hex
// digits + ".tmp".
bool TemporaryName(const std::string& name, std::string& out)
{
    unsigned char random[kRandomBytes];
    for (std::size_t filled = 0; filled < sizeof random;) {
        const ssize_t got = ::getrandom(random + filled, sizeof random - filled, 0);
        if (got < 0 && errno != EINTR)
            return false;
        filled += got > 0 ? static_cast<std::size_t>(got) : 0;
    }
    out = "." + name + ".";
    for (unsigned char byte : random) {
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0f];
    }
    out += kScratchSuffix;
    return true;
}

// Whether `entry` is a scratch name TemporaryName() makes for `name`.
bool IsScratchNameOf(std::string_view entry, std::string_view name)
{
    const std::size_t hexDigits = 2 * kRandomBytes;
    const std::size_t suffix = sizeof kScratchSuffix - 1;
    if (entry.size() != 1 + name.size() + 1 + hexDigits + suffix)
        return false;
    if (entry[0] != '.' || entry.substr(1, name.size()) != name || entry[1 + name.size()] != '.')
        return false;
    return entry.substr(entry.size() - suffix) == kScratchSuffix &&
           entry.substr(2 + name.size(), hexDigits).find_first_not_of(kHex) == std::string_view::npos;
}

// Creates a fresh scratch file beside `name` and takes its lock, which the
// writer holds until the file is renamed or removed: a cleaner at another
// start removes only scratch files it can lock, so never one being written.
// A cleaner may have locked and removed the file in the moment between its
// creation and the lock; then the name is gone (no links) and another one
// is made. That moment is a few instructions long, so even a cleaner that
// runs without pause takes only a few names in a row; a name taken by
// someone else (a clash of random names) ends the save much sooner. The
// file starts readable by its owner alone, so no other user can open it to
// hold its lock.
int CreateScratchFile(int dirFd, const std::string& name, std::string& temporary, Fd& file)
{
    constexpr int kClashes = 8;
    constexpr int kRemovals = 1000;
    for (int clashes = 0, removals = 0; clashes < kClashes && removals < kRemovals;) {
        if (!TemporaryName(name, temporary))
            return errno != 0 ? errno : EIO;
        file.Reset(::openat(dirFd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (file.get() < 0) {
            if (errno != EEXIST)
                return errno;
            ++clashes;
            continue;
        }
        while (::flock(file.get(), LOCK_EX) != 0)
            if (errno != EINTR)
                return errno;
        struct stat st {};
        if (::fstat(file.get(), &st) != 0)
            return errno;
        if (st.st_nlink > 0)
            return 0;
        file.Reset();
        ++removals;
    }
    return EEXIST;
}

int WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// Puts the temporary file at `name`, which may be replaced only when nothing
// is there, or when it is a regular file of our own. When nothing was there
// the rename must not replace anything, so an entry planted between the
// check and the rename is never overwritten: renameat2(RENAME_NOREPLACE), or
// link(2) where the file system lacks it. When our own file is there it may
// be replaced plainly: in a sticky directory nobody but its owner (or root)
// can swap it.
int MoveIntoPlace(int dirFd, const std::string& temporary, const std::string& name)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!S_ISREG(st.st_mode))
                return EEXIST;
            if (st.st_uid != ::geteuid())
                return EPERM;
            return ::renameat(dirFd, temporary.c_str(), dirFd, name.c_str()) == 0 ? 0 : errno;
        }
        if (errno != ENOENT)
            return errno;
        if (::renameat2(dirFd, temporary.c_str(), dirFd, name.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        if (errno == EEXIST)
            continue;  // Someone made the name meanwhile: check what it is.
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
        if (::linkat(dirFd, temporary.c_str(), dirFd, name.c_str(), 0) == 0) {
            ::unlinkat(dirFd, temporary.c_str(), 0);
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

}  // namespace

namespace StateFile {

std::pair<std::string, std::string> SplitPath(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

int Replace(const std::string& path, std::string_view contents)
{
    const auto [directory, name] = SplitPath(path);
    if (name.empty())
        return EISDIR;
    Fd dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.get() < 0 ? errno : ReplaceIn(dir.get(), name, contents);
}

int ReplaceIn(int dirFd, const std::string& name, std::string_view contents)
{
    std::string temporary;
    Fd file;
    int error = CreateScratchFile(dirFd, name, temporary, file);
    if (error == 0)
        error = WriteAll(file.get(), contents);
    if (error == 0 && ::fsync(file.get()) != 0)
        error = errno;
    // The file must be readable by every user whatever the umask: the alarm
    // is machine-wide.
    if (error == 0 && ::fchmod(file.get(), 0644) != 0)
        error = errno;
    // The lock is held until the name is settled: renamed into place, or
    // removed after a failure.
    if (error == 0)
        error = MoveIntoPlace(dirFd, temporary, name);
    if (error != 0) {
        if (file.get() >= 0)
            ::unlinkat(dirFd, temporary.c_str(), 0);
        return error;
    }
    // The new name reaches the disk only with the directory. File systems
    // that cannot sync a directory say EINVAL; the rename still stands.
    return ::fsync(dirFd) != 0 && errno != EINVAL ? errno : 0;
}

int Remove(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? 0 : errno;
    return S_ISDIR(st.st_mode) || ::unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : errno;
}

int RemoveStaleScratchFiles(const std::string& directory, std::initializer_list<std::string_view> names)
{
    Fd dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return 0;
    // The listing gets a descriptor of its own; `dir` stays for the *at calls.
    DIR* listing = ::fdopendir(::dup(dir.get()));
    if (listing == nullptr)
        return 0;
    const uid_t self = ::geteuid();
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view entryName(entry->d_name);
        if (std::ranges::none_of(names, [&](std::string_view name) { return IsScratchNameOf(entryName, name); }))
            continue;
        struct stat before {};
        if (::fstatat(dir.get(), entry->d_name, &before, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(before.st_mode) ||
            before.st_uid != self)
            continue;
        // Opened without following a link and without waiting on anything;
        // what was opened must still be the file looked at.
        Fd file(::openat(dir.get(), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (file.get() < 0)
            continue;
        struct stat opened {};
        if (::fstat(file.get(), &opened) != 0 || opened.st_dev != before.st_dev || opened.st_ino != before.st_ino ||
            !S_ISREG(opened.st_mode) || opened.st_uid != self)
            continue;
        // A writer holds the lock until its file is renamed or removed.
        if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        // Locked, so no writer of ours is using it; the name must still be
        // this file (only its owner or root could have changed it).
        struct stat now {};
        if (::fstatat(dir.get(), entry->d_name, &now, AT_SYMLINK_NOFOLLOW) != 0 || now.st_dev != opened.st_dev ||
            now.st_ino != opened.st_ino)
            continue;
        if (::unlinkat(dir.get(), entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(listing);
    return removed;
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsSoleRegularFile(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && IsOwnOrRoot(st.st_uid);
}

int OpenForReading(const std::string& path)
{
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return -1;
    if (!S_ISREG(st.st_mode) || st.st_nlink != 1) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    if (!IsOwnOrRoot(st.st_uid)) {
        errno = EPERM;
        return -1;
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return -1;
    return fd.Release();
}

}  // namespace StateFile
