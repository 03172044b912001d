#include "settings/AutostartEntry.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "settings/StateFile.h"
#include "common/Utf8.h"

namespace {

// The folder that holds the entry, opened without following a link at its
// own name: a folder someone replaced by a link would have the entry
// written, or deleted, wherever the link points.
int OpenFolder(const std::string& entryPath)
{
    return ::open(StateFile::SplitPath(entryPath).first.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Whether an access list gives rights beyond the mode bits. Conservative:
// any list at all counts, whatever it grants.
bool HasAccessList(const std::string& path)
{
    return ::lgetxattr(path.c_str(), "system.posix_acl_access", nullptr, 0) > 0;
}

// How a character stands in the Exec value. The quoting's escape (\") gets
// its backslash doubled again for the value's own escapes, which are undone
// first: four in the file stand for one backslash. A percent sign is doubled
// to stand for itself, not for a field code.
struct Escape {
    char c;
    std::string_view as;
};
constexpr Escape kExecEscapes[] = {{'"', "\\\\\""}, {'`', "\\\\`"}, {'$', "\\\\$"}, {'\\', "\\\\\\\\"},
                                   {'%', "%%"},     {'\n', "\\n"},  {'\t', "\\t"},  {'\r', "\\r"}};

}  // namespace

bool AutostartEntry::OnlyRootCanChange(const std::string& executable)
{
    // Only a plain absolute path is walked; "." and ".." would make the
    // names checked differ from the file the entry names.
    if (executable.size() < 2 || executable.front() != '/' || executable.back() == '/' ||
        executable.find("//") != std::string::npos || executable.find("/./") != std::string::npos ||
        executable.find("/../") != std::string::npos || executable.ends_with("/.") || executable.ends_with("/.."))
        return false;
    struct stat st {};
    if (::lstat(executable.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != 0 ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) != 0 || HasAccessList(executable))
        return false;
    // Every directory above it, up to the root. Each is root's and writable
    // by root alone, with one allowance: in a sticky directory (like /tmp)
    // others may add names but cannot remove or rename root's, and the name
    // below was just found to be root's.
    std::string directory = executable;
    do {
        directory = StateFile::SplitPath(directory).first;
        if (::lstat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != 0 || HasAccessList(directory))
            return false;
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0)
            return false;
    } while (directory != "/");
    return true;
}

std::string AutostartEntry::Directory()
{
    // The first absolute entry; relative ones are not allowed there.
    std::string first = "/etc/xdg";
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    for (std::string_view rest = dirs ? dirs : ""; !rest.empty();) {
        const std::string_view entry = rest.substr(0, rest.find(':'));
        if (entry.starts_with('/')) {
            first = entry;
            break;
        }
        rest.remove_prefix(std::min(rest.size(), entry.size() + 1));
    }
    while (first.size() > 1 && first.back() == '/')
        first.pop_back();
    return first == "/" ? "/autostart" : first + "/autostart";
}

std::string AutostartEntry::Path()
{
    return Directory() + "/ZUM.desktop";
}

std::optional<std::string> AutostartEntry::ExecValue(std::string_view executable)
{
    if (executable.empty() || !Utf8::IsWellFormed(executable))
        return std::nullopt;
    std::string value = "\"";
    for (const char c : executable) {
        const auto escape = std::ranges::find(kExecEscapes, c, &Escape::c);
        if (escape != std::end(kExecEscapes))
            value += escape->as;
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return std::nullopt;
        else
            value += c;
    }
    value += '"';
    return value;
}

std::optional<std::string> AutostartEntry::Contents(std::string_view executable)
{
    const std::optional<std::string> exec = ExecValue(executable);
    if (!exec)
        return std::nullopt;
    return "[Desktop Entry]\nType=Application\nName=ZUM\nComment=Desktop alarm clock\nExec=" + *exec +
           "\nIcon=zum\nTerminal=false\n";
}

int AutostartEntry::Write(const std::string& executable)
{
    // Every user's logon would run this file: it must be one that no user
    // but root can replace.
    if (!OnlyRootCanChange(executable))
        return EPERM;
    return WriteAt(Path(), executable);
}

int AutostartEntry::WriteAt(const std::string& path, const std::string& executable)
{
    const std::optional<std::string> contents = Contents(executable);
    if (!contents)
        return EINVAL;
    // The folder may be missing on a fresh system; its parent is not made.
    if (::mkdir(StateFile::SplitPath(path).first.c_str(), 0755) != 0 && errno != EEXIST)
        return errno;
    const int folder = OpenFolder(path);
    if (folder < 0)
        return errno;
    const int error = StateFile::ReplaceIn(folder, StateFile::SplitPath(path).second, *contents);
    ::close(folder);
    return error;
}

void AutostartEntry::Delete()
{
    DeleteAt(Path());
}

void AutostartEntry::DeleteAt(const std::string& path)
{
    const int folder = OpenFolder(path);
    if (folder < 0)
        return;
    struct stat st {};
    const std::string name = StateFile::SplitPath(path).second;
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
        ::unlinkat(folder, name.c_str(), 0);
    ::close(folder);
}
