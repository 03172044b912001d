#include "sound/SoundFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

// Retries a call that a signal cut short.
template <class Call>
int Retry(Call call)
{
    int rc;
    do
        rc = call();
    while (rc < 0 && errno == EINTR);
    return rc;
}

}  // namespace

// The name is resolved once, into a path-only descriptor: that reads
// nothing and so never waits, whatever the name leads to. Its file is
// checked, and only a regular file is then opened for reading, through the
// descriptor's own entry in /proc (the same file, not the name again). Where
// /proc is missing the name is opened a second time, without waiting
// (O_NONBLOCK), and kept only if it is still the file that was checked.
SoundFile::SoundFile(const std::string& path)
{
    const int pathFd = Retry([&] { return open(path.c_str(), O_PATH | O_CLOEXEC); });
    if (pathFd < 0) {
        FErrno = errno;
        return;
    }
    struct stat checked {};
    int fd = -1;
    if (fstat(pathFd, &checked) != 0) {
        FErrno = errno;
    } else if (S_ISREG(checked.st_mode)) {
        constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
        const std::string self = "/proc/self/fd/" + std::to_string(pathFd);
        fd = Retry([&] { return open(self.c_str(), kReadFlags); });
        if (fd < 0 && errno == ENOENT)
            fd = Retry([&] { return open(path.c_str(), kReadFlags); });
        FErrno = fd < 0 ? errno : 0;
    }
    close(pathFd);
    if (fd < 0)
        return;
    // The descriptor read from is the one checked last: a regular file, and
    // the one the name led to at first.
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != checked.st_dev ||
        opened.st_ino != checked.st_ino) {
        close(fd);
        return;
    }
    // Reads of a regular file never wait for another process; the flag only
    // kept the open itself from waiting.
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FFd = fd;
}

SoundFile::~SoundFile()
{
    if (FFd >= 0)
        close(FFd);
}
