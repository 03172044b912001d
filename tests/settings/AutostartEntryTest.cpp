#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SettingsTestSupport.h"
#include "settings/AutostartEntry.h"

namespace {

namespace fs = std::filesystem;

// What a desktop reads back from an Exec value that holds one quoted
// argument: the value's escapes undone first, then the quoting, then %%.
std::optional<std::string> ReadExec(const std::string& value)
{
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            unescaped += value[i];
            continue;
        }
        if (++i == value.size())
            return std::nullopt;
        switch (value[i]) {
        case 's':
            unescaped += ' ';
            break;
        case 'n':
            unescaped += '\n';
            break;
        case 't':
            unescaped += '\t';
            break;
        case 'r':
            unescaped += '\r';
            break;
        case '\\':
            unescaped += '\\';
            break;
        default:
            return std::nullopt;  // not an escape of a string value
        }
    }
    if (unescaped.size() < 2 || unescaped.front() != '"' || unescaped.back() != '"')
        return std::nullopt;
    std::string argument;
    for (std::size_t i = 1; i + 1 < unescaped.size(); ++i) {
        char c = unescaped[i];
        if (c == '\\') {
            c = unescaped[++i];
            if (c != '"' && c != '`' && c != '$' && c != '\\')
                return std::nullopt;
        } else if (c == '"' || c == '`' || c == '$') {
            return std::nullopt;  // must have been escaped
        }
        argument += c;
    }
    std::string expanded;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] == '%') {
            if (i + 1 == argument.size() || argument[i + 1] != '%')
                return std::nullopt;  // a field code, which the entry must not hold
            ++i;
        }
        expanded += argument[i];
    }
    return expanded;
}

// Sets or removes an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct PathCase {
    const char* name;
    std::string executable;
};

void PrintTo(const PathCase& c, std::ostream* out)
{
    *out << c.name;
}

class AutostartExec : public ::testing::TestWithParam<PathCase> {};

// Every awkward path comes back unchanged, and the whole entry passes the
// desktop's own validator.
TEST_P(AutostartExec, QuotesThePathSoItReadsBackAndValidates)
{
    const std::string& executable = GetParam().executable;
    const std::optional<std::string> exec = AutostartEntry::ExecValue(executable);
    ASSERT_TRUE(exec);
    EXPECT_EQ(ReadExec(*exec), executable) << *exec;

    TempDir dir;
    const fs::path entry = fs::path(dir.path()) / "ZUM.desktop";
    ASSERT_EQ(AutostartEntry::WriteAt(entry.string(), executable), 0);
    const std::string contents = ReadBytes(entry);
    EXPECT_NE(contents.find("\nExec=" + *exec + "\n"), std::string::npos);
    const std::string command = "desktop-file-validate '" + entry.string() + "' > '" +
                                (fs::path(dir.path()) / "validate.log").string() + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0)
        << ReadBytesIfAny(fs::path(dir.path()) / "validate.log").value_or("") << contents;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AutostartExec,
    ::testing::Values(PathCase{"Plain", "/usr/bin/zum"}, PathCase{"Spaces", "/opt/My Programs/zum clock/zum"},
                      PathCase{"DoubleQuote", "/opt/say \"hi\"/zum"}, PathCase{"SingleQuote", "/home/o'neil/bin/zum"},
                      PathCase{"Backslash", "/opt/back\\slash/zum"}, PathCase{"Dollar", "/opt/$HOME/zum"},
                      PathCase{"Backtick", "/opt/`date`/zum"}, PathCase{"Percent", "/opt/100%/%f/zum"},
                      PathCase{"ShellCharacters", "/opt/a&b|c;d<e>f~g*h?i#j(k)l/zum"},
                      PathCase{"Equals", "/opt/a=b/zum"}, PathCase{"Tab", "/opt/tab\there/zum"},
                      PathCase{"Newline", "/opt/new\nline/zum"},
                      PathCase{"Unicode",
                               "/opt/\xD0\xB1\xD1\x83\xD0\xB4\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBD\xD0\xB8\xD0\xBA/zum"},
                      PathCase{"AllAtOnce", "/o p/\"\\$`%'\t/zum"},
                      // Far past 256 characters, which the entry holds whole.
                      PathCase{"Long", "/" + std::string(3000, 'd') + "/zum"}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

TEST(AutostartEntry, RefusesPathsAnEntryCannotHold)
{
    EXPECT_FALSE(AutostartEntry::ExecValue(""));
    EXPECT_FALSE(AutostartEntry::ExecValue("/opt/bell\a/zum"));
    EXPECT_FALSE(AutostartEntry::ExecValue(std::string("/opt/nul\0/zum", 13)));
    EXPECT_FALSE(AutostartEntry::ExecValue("/opt/latin1-\xE9/zum")) << "not UTF-8";
    TempDir dir;
    const fs::path entry = fs::path(dir.path()) / "ZUM.desktop";
    EXPECT_NE(AutostartEntry::WriteAt(entry.string(), "/opt/\x01/zum"), 0);
    EXPECT_FALSE(fs::exists(entry));
}

struct DirectoryCase {
    const char* name;
    std::optional<std::string> configDirs;
    std::string expected;
};

void PrintTo(const DirectoryCase& c, std::ostream* out)
{
    *out << c.name;
}

class AutostartDirectory : public ::testing::TestWithParam<DirectoryCase> {};

TEST_P(AutostartDirectory, IsInTheFirstConfigurationDirectory)
{
    const DirectoryCase& c = GetParam();
    ScopedEnv env("XDG_CONFIG_DIRS", c.configDirs);
    EXPECT_EQ(AutostartEntry::Directory(), c.expected);
    EXPECT_EQ(AutostartEntry::Path(), c.expected + "/ZUM.desktop");
}

INSTANTIATE_TEST_SUITE_P(Variables, AutostartDirectory,
                         ::testing::Values(DirectoryCase{"Unset", std::nullopt, "/etc/xdg/autostart"},
                                           DirectoryCase{"Empty", "", "/etc/xdg/autostart"},
                                           DirectoryCase{"One", "/srv/xdg", "/srv/xdg/autostart"},
                                           DirectoryCase{"First", "/a/b:/c/d", "/a/b/autostart"},
                                           DirectoryCase{"TrailingSlash", "/a/b//:/c", "/a/b/autostart"},
                                           DirectoryCase{"EmptyFirst", ":/c/d", "/c/d/autostart"},
                                           DirectoryCase{"RelativeSkipped", "rel/dir:/c/d", "/c/d/autostart"},
                                           DirectoryCase{"OnlyRelative", "rel", "/etc/xdg/autostart"}),
                         [](const ::testing::TestParamInfo<DirectoryCase>& info) {
                             return std::string(info.param.name);
                         });

class AutostartFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        autostart = fs::path(dir.path()) / "autostart";
        entry = autostart / "ZUM.desktop";
    }
    TempDir dir;
    fs::path autostart;
    fs::path entry;
};

TEST_F(AutostartFile, MakesTheFolderAndReplacesAnOldEntryWhole)
{
    ASSERT_EQ(AutostartEntry::WriteAt(entry.string(), "/old/zum"), 0);
    EXPECT_TRUE(fs::is_directory(autostart));
    ASSERT_EQ(AutostartEntry::WriteAt(entry.string(), "/new/zum"), 0);
    EXPECT_EQ(ReadBytes(entry), *AutostartEntry::Contents("/new/zum"));
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(autostart), fs::directory_iterator()), 1);
    struct stat st {};
    ASSERT_EQ(::stat(entry.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(AutostartFile, NeverWritesThroughAPlantedLink)
{
    fs::create_directories(autostart);
    const fs::path target = fs::path(dir.path()) / "victim";
    std::ofstream(target) << "precious";
    fs::create_symlink(target, entry);
    EXPECT_NE(AutostartEntry::WriteAt(entry.string(), "/usr/bin/zum"), 0);
    EXPECT_EQ(ReadBytes(target), "precious");
    EXPECT_TRUE(fs::is_symlink(entry));
    // Deleting removes the link's name only.
    AutostartEntry::DeleteAt(entry.string());
    EXPECT_FALSE(fs::exists(fs::symlink_status(entry)));
    EXPECT_EQ(ReadBytes(target), "precious");
}

TEST_F(AutostartFile, AFailedWriteLeavesTheOldEntry)
{
    ASSERT_EQ(AutostartEntry::WriteAt(entry.string(), "/old/zum"), 0);
    // A file size limit makes the write of the new contents fail, for root
    // too, as a full disk would.
    const int status = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 2;
        return AutostartEntry::WriteAt(entry.string(), "/new/zum") != 0 ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << "the write did not fail";
    EXPECT_EQ(ReadBytes(entry), *AutostartEntry::Contents("/old/zum"));
    EXPECT_EQ(std::distance(fs::directory_iterator(autostart), fs::directory_iterator()), 1)
        << "a temporary file was left behind";
}

TEST_F(AutostartFile, DeleteOfNothingIsQuiet)
{
    AutostartEntry::DeleteAt(entry.string());
    ASSERT_EQ(AutostartEntry::WriteAt(entry.string(), "/usr/bin/zum"), 0);
    AutostartEntry::DeleteAt(entry.string());
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(fs::is_directory(autostart));
}

TEST_F(AutostartFile, WithoutTheConfigurationDirectoryNothingIsMade)
{
    const fs::path deep = fs::path(dir.path()) / "missing" / "autostart" / "ZUM.desktop";
    EXPECT_NE(AutostartEntry::WriteAt(deep.string(), "/usr/bin/zum"), 0);
    EXPECT_FALSE(fs::exists(fs::path(dir.path()) / "missing"));
}

TEST_F(AutostartFile, NeverWritesOrDeletesThroughALinkedFolder)
{
    const fs::path elsewhere = fs::path(dir.path()) / "elsewhere";
    fs::create_directories(elsewhere);
    std::ofstream(elsewhere / "ZUM.desktop") << "theirs";
    fs::create_directory_symlink(elsewhere, autostart);
    EXPECT_NE(AutostartEntry::WriteAt(entry.string(), "/usr/bin/zum"), 0);
    AutostartEntry::DeleteAt(entry.string());
    EXPECT_EQ(ReadBytes(elsewhere / "ZUM.desktop"), "theirs");
    EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere), fs::directory_iterator()), 1);
}

// Every user's logon runs the entry's executable, so it is written only for
// a file no user but root can change or replace.
TEST_F(AutostartFile, OnlyAnExecutableNoUserButRootCanChangeIsWritten)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to own the files checked";
    constexpr uid_t kOtherUid = 12345;
    const fs::path root = fs::path(dir.path()) / "tree";  // inside a sticky, world-writable directory
    struct Case {
        const char* name;
        mode_t directoryMode;
        uid_t directoryOwner;
        mode_t fileMode;
        uid_t fileOwner;
        bool safe;
    };
    const Case cases[] = {
        {"root's alone", 0755, 0, 0755, 0, true},
        {"file writable by its group", 0755, 0, 0775, 0, false},
        {"file writable by all", 0755, 0, 0757, 0, false},
        {"file of another user", 0755, 0, 0755, kOtherUid, false},
        {"folder writable by its group", 0775, 0, 0755, 0, false},
        {"folder writable by all", 0777, 0, 0755, 0, false},
        {"sticky folder writable by all", 01777, 0, 0755, 0, true},
        {"folder of another user", 0755, kOtherUid, 0755, 0, false},
    };
    ScopedEnv config("XDG_CONFIG_DIRS", dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root);
        fs::create_directories(root / "bin");
        const fs::path executable = root / "bin" / "zum";
        std::ofstream(executable) << "#!/bin/sh\n";
        ASSERT_EQ(::chmod(executable.c_str(), c.fileMode), 0);
        ASSERT_EQ(::chown(executable.c_str(), c.fileOwner, 0), 0);
        ASSERT_EQ(::chmod((root / "bin").c_str(), c.directoryMode), 0);
        ASSERT_EQ(::chown((root / "bin").c_str(), c.directoryOwner, 0), 0);
        ::chmod(root.c_str(), 0755);
        EXPECT_EQ(AutostartEntry::OnlyRootCanChange(executable.string()), c.safe);
        EXPECT_EQ(AutostartEntry::Write(executable.string()) == 0, c.safe);
        EXPECT_EQ(fs::exists(entry), c.safe);
        AutostartEntry::Delete();
    }
    // Names that are not the file itself: a link to a good one, or a path
    // walked through "..".
    fs::remove_all(root);
    fs::create_directories(root / "bin");
    std::ofstream(root / "bin" / "zum") << "#!/bin/sh\n";
    ::chmod((root / "bin" / "zum").c_str(), 0755);
    fs::create_symlink(root / "bin" / "zum", root / "link");
    EXPECT_TRUE(AutostartEntry::OnlyRootCanChange((root / "bin" / "zum").string()));
    EXPECT_FALSE(AutostartEntry::OnlyRootCanChange((root / "link").string()));
    EXPECT_FALSE(AutostartEntry::OnlyRootCanChange((root / "bin" / ".." / "bin" / "zum").string()));
    EXPECT_FALSE(AutostartEntry::OnlyRootCanChange("bin/zum"));
    EXPECT_FALSE(AutostartEntry::OnlyRootCanChange((root / "bin").string()));
}

}  // namespace
