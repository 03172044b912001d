#pragma once

#include <string>

#include "common/Exception.h"

// Failures of the settings files, with the texts the user sees in the
// exception box.

// A settings file could not be created, written or put in place. The path is
// always the file's own name in the state directory, never a temporary file.
class EFCreateError : public Exception {
public:
    explicit EFCreateError(const std::string& path) : Exception("Cannot create file " + path) {}
};

// A settings file could not be removed (for example another user's file in
// the shared directory, or a directory this user may not change). The path is
// the file's own name in the state directory.
class EFDeleteError : public Exception {
public:
    explicit EFDeleteError(const std::string& path) : Exception("Cannot delete file " + path) {}
};

// A settings file exists by name but could not be opened for reading (it is
// not a regular file, it is a link, or the system refused the open).
class EFOpenError : public Exception {
public:
    explicit EFOpenError(const std::string& path) : Exception("Cannot open file " + path) {}
};

// A line the caller needs is missing from a loaded list; index is 0-based.
class EListError : public Exception {
public:
    explicit EListError(int index) : Exception("List index out of bounds (" + std::to_string(index) + ")") {}
};
