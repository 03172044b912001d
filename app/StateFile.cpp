#include "app/StateFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Owns one file descriptor; closes it when leaving scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Reset(); }
    int get() const { return fd_; }
    int Release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

struct SplitPath {
    std::string directory;
    std::string name;
};

SplitPath Split(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

// A name no other process can guess ahead of time, so nobody can plant a
// link or a file there before it is created.
bool TemporaryName(const std::string& name, std::string& out)
{
    unsigned char random[12];
    std::size_t filled = 0;
    while (filled < sizeof random) {
        const ssize_t got = ::getrandom(random + filled, sizeof random - filled, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        filled += static_cast<std::size_t>(got);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    out = "." + name + ".";
    for (unsigned char byte : random) {
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0f];
    }
    out += ".tmp";
    return true;
}

int WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// What stands at `name` may be replaced only when nothing is there, or when
// it is a regular file of our own. Returns 0 (replaceable, `present` tells
// whether something is there) or an errno value.
int CheckReplaceable(int dirFd, const std::string& name, bool& present)
{
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) {
            present = false;
            return 0;
        }
        return errno;
    }
    present = true;
    if (!S_ISREG(st.st_mode))
        return EEXIST;
    if (st.st_uid != ::geteuid())
        return EPERM;
    return 0;
}

// Puts the temporary file at `name`. When nothing was there the rename must
// not replace anything, so an entry planted between the check and the
// rename is never overwritten: renameat2(RENAME_NOREPLACE), or link(2) where
// the file system lacks it. When our own file is there it may be replaced
// plainly: in a sticky directory nobody but its owner (or root) can swap it.
int MoveIntoPlace(int dirFd, const std::string& temporary, const std::string& name)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        bool present = false;
        if (const int error = CheckReplaceable(dirFd, name, present); error != 0)
            return error;
        if (present) {
            if (::renameat(dirFd, temporary.c_str(), dirFd, name.c_str()) != 0)
                return errno;
            return 0;
        }
        if (::renameat2(dirFd, temporary.c_str(), dirFd, name.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        if (errno == EEXIST)
            continue; // Someone made the name meanwhile: check what it is.
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

} // namespace

namespace StateFile {

int Replace(const std::string& path, std::string_view contents)
{
    const SplitPath parts = Split(path);
    if (parts.name.empty())
        return EISDIR;

    Fd dir(::open(parts.directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return errno;

    std::string temporary;
    Fd file;
    for (int attempt = 0; attempt < 8 && file.get() < 0; ++attempt) {
        if (!TemporaryName(parts.name, temporary))
            return errno != 0 ? errno : EIO;
        file.Reset(::openat(dir.get(), temporary.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (file.get() < 0 && errno != EEXIST)
            return errno;
    }
    if (file.get() < 0)
        return EEXIST;

    // The file must be readable by every user whatever the umask: the alarm
    // is machine-wide.
    int error = 0;
    if (::fchmod(file.get(), 0644) != 0)
        error = errno;
    if (error == 0)
        error = WriteAll(file.get(), contents);
    if (error == 0 && ::fsync(file.get()) != 0)
        error = errno;
    if (error == 0 && ::close(file.Release()) != 0)
        error = errno;
    if (error == 0)
        error = MoveIntoPlace(dir.get(), temporary, parts.name);
    if (error != 0) {
        file.Reset();
        ::unlinkat(dir.get(), temporary.c_str(), 0);
        return error;
    }
    // The new name reaches the disk only with the directory. File systems
    // that cannot sync a directory say EINVAL; the rename still stands.
    if (::fsync(dir.get()) != 0 && errno != EINVAL)
        return errno;
    return 0;
}

void Remove(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return;
    ::unlink(path.c_str());
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsSoleRegularFile(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
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
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return -1;
    return fd.Release();
}

} // namespace StateFile
