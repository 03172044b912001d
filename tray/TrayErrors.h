#pragma once

#include <string>

#include "common/Exception.h"

// Failures of the tray icon, with the texts the user sees.

// An icon file that cannot be opened; the name is the one that was tried.
class EIconOpenError : public Exception {
public:
    explicit EIconOpenError(const std::string& name) : Exception("Cannot open file " + name) {}
};

// Data that is not an icon the reader accepts.
class EInvalidGraphic : public Exception {
public:
    EInvalidGraphic() : Exception("Icon image is not valid") {}
};

// Data that ends before the icon's header does.
class EReadError : public Exception {
public:
    EReadError() : Exception("Stream read error") {}
};

// A component that needs a window of its own but has no parent to hold it.
class EInvalidOperation : public Exception {
public:
    explicit EInvalidOperation(const std::string& name) : Exception("Control '" + name + "' has no parent window") {}
};
