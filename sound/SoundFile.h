#pragma once

#include <string>

// A sound file opened for reading, once, by its name: what is checked is the
// very file that is read later, through the descriptor, whatever happens to
// the name meanwhile. Only a regular file is opened for reading; a name that
// is (or links to) a pipe, a device, a socket or a directory is refused
// without opening it, and nothing here waits on another process. Owns the
// descriptor and closes it on destruction.
class SoundFile {
public:
    // Follows symbolic links: a link to a regular file opens that file.
    explicit SoundFile(const std::string& path);
    ~SoundFile();
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    // Open for reading, close-on-exec, positioned at the start; -1 when the
    // name was refused.
    int Descriptor() const { return FFd; }
    // Why the name could not be opened (an errno value); 0 when it is open,
    // or when it is something other than a regular file.
    int Errno() const { return FErrno; }

private:
    int FFd = -1;
    int FErrno = 0;
};
