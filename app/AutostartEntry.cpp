#include "app/AutostartEntry.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

#include "app/StateFile.h"
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
           "Exec=" + *exec + "\n"
           "Icon=zum\n"
           "Terminal=false\n";
}

int AutostartEntry::Write(const std::string& executable)
{
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
    return StateFile::Replace(path, *contents);
}

void AutostartEntry::Delete()
{
    DeleteAt(Path());
}

void AutostartEntry::DeleteAt(const std::string& path)
{
    StateFile::Remove(path);
}
