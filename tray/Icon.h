#pragma once

#include <QIcon>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// An icon picture: empty, the bytes of an icon file, or a picture handed
// over ready-made. The platform picture (the handle) is built from the bytes
// when it is first asked for and kept until the picture changes; an empty
// picture's handle is a null QIcon. Copies share the built picture.
class TIcon {
public:
    bool Empty() const { return FBytes.empty() && !FGiven; }
    void Clear() { *this = TIcon(); }
    void Assign(const TIcon& other) { *this = other; }

    // Reads the whole file `path` and checks it as an icon file. Throws
    // EIconOpenError (with `path`) when it cannot be read, EReadError when
    // it is shorter than the icon header, EInvalidGraphic when it is not an
    // icon file. On a failure the picture keeps what it held.
    void LoadFromFile(const std::string& path);
    // The same for bytes already in memory.
    void LoadFromBytes(std::vector<std::uint8_t> bytes);
    // The program's own icon resource of that name (a Qt resource under
    // ":/icons/"). None of that name, or one that is no icon, empties the
    // picture: no error.
    void LoadFromResource(const std::string& name);
    // Takes a ready picture; a null icon empties the picture.
    void SetHandle(const QIcon& icon);

    const QIcon& Handle() const;

private:
    std::vector<std::uint8_t> FBytes;
    std::optional<QIcon> FGiven;
    mutable std::optional<QIcon> FBuilt;
};
