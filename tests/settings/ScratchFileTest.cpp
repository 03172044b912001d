// Scratch files that killed saves leave in the shared directory: a start
// removes this user's, and nothing else.
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "SettingsTestSupport.h"
#include "settings/AlarmFile.h"
#include "settings/MarkerFile.h"
#include "settings/SystemDirectory.h"

namespace {

constexpr uid_t kOtherUid = 12345;
const std::string kHex = "0123456789abcdef01234567";  // 24 digits, as saves make them

class ScratchFileTest : public SettingsTest {};

TEST_F(ScratchFileTest, RemovesOnlyThisUsersUnlockedScratchFilesOfTheStateFiles)
{
    const std::vector<std::string> removed = {".KPT.dat." + kHex + ".tmp", ".Zum.dat." + kHex + ".tmp"};
    const std::vector<std::string> kept = {
        "KPT.dat",
        ".KPT.dat." + kHex.substr(1) + ".tmp",    // a digit short
        ".KPT.dat." + kHex + "0.tmp",             // a digit more
        ".KPT.dat.0123456789ABCDEF01234567.tmp",  // not as saves write hex
        ".KPT.dat." + kHex + ".tmp~",
        "KPT.dat." + kHex + ".tmp",     // no leading dot
        ".Other.dat." + kHex + ".tmp",  // not a state file
        ".KPT.dat.0123456789abcdef0123456g.tmp",
    };
    for (const auto& name : removed)
        WriteBytes(dir_.File(name), "07:30:00\r\n");
    for (const auto& name : kept)
        WriteBytes(dir_.File(name), "keep");
    // Entries of the pattern that are no regular file of ours.
    const std::string link = ".KPT.dat.aaaaaaaaaaaaaaaaaaaaaaaa.tmp";
    const std::string directory = ".KPT.dat.bbbbbbbbbbbbbbbbbbbbbbbb.tmp";
    const std::string locked = ".KPT.dat.cccccccccccccccccccccccc.tmp";
    const std::string victim = elsewhere_.File("victim");
    WriteBytes(victim, "precious");
    ASSERT_EQ(::symlink(victim.c_str(), dir_.File(link).c_str()), 0);
    ASSERT_EQ(::mkdir(dir_.File(directory).c_str(), 0700), 0);
    WriteBytes(dir_.File(locked), "being written");
    const int held = ::open(dir_.File(locked).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    std::vector<std::string> expected = kept;
    expected.insert(expected.end(), {link, directory, locked});
    if (::geteuid() == 0) {
        const std::string theirs = ".KPT.dat.dddddddddddddddddddddddd.tmp";
        WriteBytes(dir_.File(theirs), "theirs");
        ASSERT_EQ(::chown(dir_.File(theirs).c_str(), kOtherUid, kOtherUid), 0);
        expected.push_back(theirs);
    }
    std::sort(expected.begin(), expected.end());

    EXPECT_EQ(SystemDirectory::RemoveStaleScratchFiles(), 2);
    EXPECT_EQ(dir_.Names(), expected);
    EXPECT_EQ(ReadBytes(victim), "precious");
    ::close(held);
    // Once its writer lets go, the locked one is stale too.
    EXPECT_EQ(SystemDirectory::RemoveStaleScratchFiles(), 1);
}

// A start beside a running program of the same user never takes away the
// scratch file of a save in progress: every save succeeds.
TEST_F(ScratchFileTest, SavesInProgressAreNeverRemoved)
{
    const int saver = ::fork();
    ASSERT_GE(saver, 0);
    if (saver == 0) {
        int code = 0;
        try {
            for (int i = 0; i < 3000; ++i) {
                AlarmFile::Save("07:30:00", "/s" + std::to_string(i) + ".wav");
                MarkerFile::Write();
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "save failed: %s\n", e.what());
            code = 1;
        }
        ::_exit(code);
    }
    int status = 0;
    int cleanings = 0;
    while (::waitpid(saver, &status, WNOHANG) == 0) {
        SystemDirectory::RemoveStaleScratchFiles();
        ++cleanings;
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a save failed while a start cleaned up";
    EXPECT_GT(cleanings, 10);
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"KPT.dat", "Zum.dat"}));
}

}  // namespace
