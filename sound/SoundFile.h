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
    enum class Status {
        kOpen,        // Descriptor() reads the file
        kCannotOpen,  // the name cannot be opened; Errno() says why
        kNotRegular,  // the name is, or links to, something other than a regular file
    };

    // Follows symbolic links: a link to a regular file opens that file.
    explicit SoundFile(const std::string& path);
    ~SoundFile();
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    Status GetStatus() const { return FStatus; }
    int Errno() const { return FErrno; }
    // Open for reading, close-on-exec, positioned at the start; -1 unless
    // the status is kOpen.
    int Descriptor() const { return FFd; }

private:
    int FFd = -1;
    Status FStatus = Status::kCannotOpen;
    int FErrno = 0;
};
