#pragma once

#include <optional>
#include <string>
#include <string_view>

// The machine-wide start-at-logon entry: the desktop entry ZUM.desktop in
// the "autostart" folder of the first directory of $XDG_CONFIG_DIRS
// (/etc/xdg when unset), whose Exec key starts the program by its full path.
// The entry is written as a whole or not at all, never through a link
// planted at its name (see StateFile) and never through an autostart folder
// that is a link; deleting removes only the name, in the folder itself.
class AutostartEntry {
public:
    // The first absolute directory of $XDG_CONFIG_DIRS, else /etc/xdg, with
    // "/autostart" appended; computed afresh at each call.
    static std::string Directory();
    // Directory() + "/ZUM.desktop".
    static std::string Path();

    // The Exec value that runs `executable` with no arguments: the path in
    // double quotes, with `"`, `` ` ``, `$` and `\` escaped by a backslash
    // inside the quotes and `%` doubled; then the value's own escapes (\\,
    // \n, \t, \r) on top, so a quote stands as \\" and a backslash as four.
    // Nothing when the path cannot stand in an entry: empty, not UTF-8, or
    // holding a control character other than newline, tab and return.
    static std::optional<std::string> ExecValue(std::string_view executable);
    // The whole entry for `executable`; nothing when ExecValue gives nothing.
    static std::optional<std::string> Contents(std::string_view executable);

    // Whether no user but root can change the file `executable` names or
    // put another in its place: an absolute path without "." or "..",
    // whose file is a regular file and every directory above it a real
    // directory (no links), all owned by root and writable by root alone,
    // with no access lists. A directory that others may write is accepted
    // only with the sticky bit (as /tmp), since then they cannot remove or
    // rename root's names in it.
    static bool OnlyRootCanChange(const std::string& executable);

    // Writes the entry for the running program, making the autostart folder
    // when it is missing; only for an executable OnlyRootCanChange, since
    // every user's logon would run it (EPERM otherwise, nothing written).
    // Returns 0 or an errno value; the caller may ignore it.
    static int Write(const std::string& executable);
    // Writes the entry at `path` for `executable` as given, unchecked.
    static int WriteAt(const std::string& path, const std::string& executable);

    // Removes the entry if it is there; a failure is not reported.
    static void Delete();
    static void DeleteAt(const std::string& path);
};
