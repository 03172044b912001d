#include "settings/AutostartEntry.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "settings/StateFile.h"
#include "common/Utf8.h"

namespace {

constexpr const char* kDefaultConfigDirectory = "/etc/xdg";

std::string ParentOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameIn(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder that holds the entry, opened without following a link at its
// own name: a folder someone replaced by a link would have the entry
// written, or deleted, wherever the link points.
int OpenFolder(const std::string& entryPath)
{
    return ::open(ParentOf(entryPath).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Whether an access list gives rights beyond the mode bits. Conservative:
// any list at all counts, whatever it grants.
bool HasAccessList(const std::string& path)
{
    return ::lgetxattr(path.c_str(), "system.posix_acl_access", nullptr, 0) > 0;
}

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
        directory = ParentOf(directory);
        if (::lstat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != 0 || HasAccessList(directory))
            return false;
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0)
            return false;
    } while (directory != "/");
    return true;
}

namespace {

}  // namespace

std::string AutostartEntry::Directory()
{
    std::string first;
    if (const char* dirs = std::getenv("XDG_CONFIG_DIRS"); dirs != nullptr) {
        std::string_view rest(dirs);
        while (!rest.empty() && first.empty()) {
            const auto colon = rest.find(':');
            const std::string_view entry = rest.substr(0, colon);
            // Relative entries are not allowed there and are skipped.
            if (!entry.empty() && entry.front() == '/')
                first.assign(entry);
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
    }
    if (first.empty())
        first = kDefaultConfigDirectory;
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
        switch (c) {
        case '"':
        case '`':
        case '$':
            // Escaped for the quoting (\"), and that backslash again for
            // the value's own escapes, which are undone first.
            value += "\\\\";
            value += c;
            break;
        case '\\':
            // Four in the file stand for one.
            value += "\\\\\\\\";
            break;
        case '%':
            value += "%%";  // a literal percent sign, not a field code
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                return std::nullopt;
            value += c;
        }
    }
    value += '"';
    return value;
}

std::optional<std::string> AutostartEntry::Contents(std::string_view executable)
{
    const std::optional<std::string> exec = ExecValue(executable);
    if (!exec)
        return std::nullopt;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=ZUM\n"
           "Comment=Desktop alarm clock\n"
           "Exec=" +
           *exec +
           "\n"
           "Icon=zum\n"
           "Terminal=false\n";
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
    if (::mkdir(ParentOf(path).c_str(), 0755) != 0 && errno != EEXIST)
        return errno;
    const int folder = OpenFolder(path);
    if (folder < 0)
        return errno;
    const int error = StateFile::ReplaceIn(folder, NameIn(path), *contents);
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
    const std::string name = NameIn(path);
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
        ::unlinkat(folder, name.c_str(), 0);
    ::close(folder);
}
