// Entries planted in the shared state directory by another user: links,
// FIFOs, other users' files. None of them may be written through, read
// through or replaced.
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#include "SettingsTestSupport.h"
#include "settings/AlarmFile.h"
#include "settings/FileErrors.h"
#include "settings/MarkerFile.h"

namespace {

constexpr uid_t kOtherUid = 12345;

class SharedDirectoryTest : public SettingsTest {
protected:
    std::string LinkTarget(const std::string& link)
    {
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer);
        return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
    }
};

TEST_F(SharedDirectoryTest, SymbolicLinkAtTheAlarmFileIsNeitherFollowedNorOverwritten)
{
    const std::string victim = elsewhere_.File("victim");
    const std::string secret = "secret line\r\nsecond secret\r\n";
    WriteBytes(victim, secret);
    const std::string link = dir_.File("KPT.dat");
    ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);

    EXPECT_FALSE(AlarmFile::Exists());
    EXPECT_THROW(AlarmFile::Load(), EFOpenError);
    EXPECT_THROW(AlarmFile::Save("07:30:00", "/s.wav"), EFCreateError);
    EXPECT_EQ(ReadBytes(victim), secret);
    EXPECT_EQ(LinkTarget(link), victim);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"KPT.dat"}) << "no temporary file left";

    // Disarming removes the planted name only.
    AlarmFile::Delete();
    EXPECT_TRUE(dir_.Names().empty());
    EXPECT_EQ(ReadBytes(victim), secret);
}

TEST_F(SharedDirectoryTest, DanglingLinksDoNotMakeTheProgramCreateFilesElsewhere)
{
    const std::string alarmTarget = elsewhere_.File("made-by-alarm");
    const std::string markerTarget = elsewhere_.File("made-by-marker");
    ASSERT_EQ(::symlink(alarmTarget.c_str(), dir_.File("KPT.dat").c_str()), 0);
    ASSERT_EQ(::symlink(markerTarget.c_str(), dir_.File("Zum.dat").c_str()), 0);

    EXPECT_THROW(AlarmFile::Save("07:30:00", "/s.wav"), EFCreateError);
    EXPECT_THROW(MarkerFile::Write(), EFCreateError);
    EXPECT_FALSE(MarkerFile::Exists());
    EXPECT_TRUE(elsewhere_.Names().empty());
}

TEST_F(SharedDirectoryTest, SymbolicLinkAtTheMarkerIsNotAMarkerAndIsNotWrittenThrough)
{
    const std::string victim = elsewhere_.File("victim");
    WriteBytes(victim, "precious");
    ASSERT_EQ(::symlink(victim.c_str(), dir_.File("Zum.dat").c_str()), 0);

    EXPECT_FALSE(MarkerFile::Exists());
    EXPECT_THROW(MarkerFile::Write(), EFCreateError);
    EXPECT_EQ(ReadBytes(victim), "precious");
    MarkerFile::Delete();
    EXPECT_TRUE(dir_.Names().empty());
    EXPECT_EQ(ReadBytes(victim), "precious");
}

// A hard link to a file elsewhere is a regular file by name; it is not
// shown, and a save replaces the name without writing into the other file.
TEST_F(SharedDirectoryTest, HardLinkIsNotShownAndSaveDoesNotWriteThroughIt)
{
    const std::string victim = elsewhere_.File("victim");
    WriteBytes(victim, "root:secret\r\nline two\r\n");
    ASSERT_EQ(::link(victim.c_str(), dir_.File("KPT.dat").c_str()), 0);

    EXPECT_FALSE(AlarmFile::Exists());
    EXPECT_THROW(AlarmFile::Load(), EFOpenError);
    AlarmFile::Save("07:30:00", "/s.wav");
    EXPECT_EQ(ReadBytes(victim), "root:secret\r\nline two\r\n");
    EXPECT_EQ(AlarmFile::Load(), (std::vector<std::string>{"07:30:00", "/s.wav"}));
}

TEST_F(SharedDirectoryTest, FifoIsRefusedWithoutBlocking)
{
    const std::string path = dir_.File("KPT.dat");
    ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
    EXPECT_FALSE(AlarmFile::Exists());
    // In a child with a deadline: an open that waits for a writer would hang.
    const int code = RunInChild(
        [&] {
            try {
                AlarmFile::Load();
            } catch (const EFOpenError&) {
                return 0;
            }
            return 1;
        },
        5);
    EXPECT_EQ(code, 0);
    EXPECT_THROW(AlarmFile::Save("07:30:00", "/s.wav"), EFCreateError);
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(SharedDirectoryTest, AnotherUsersFileIsNotReplaced)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a file to another user";
    struct Case {
        const char* name;
        std::string contents;
        std::function<void()> write;
    };
    const Case cases[] = {
        {"KPT.dat", "06:00:00\r\n/theirs.wav\r\n", [] { AlarmFile::Save("07:30:00", "/s.wav"); }},
        {"Zum.dat", "theirs", [] { MarkerFile::Write(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_.File(c.name);
        WriteBytes(path, c.contents);
        ASSERT_EQ(::chown(path.c_str(), kOtherUid, kOtherUid), 0);
        try {
            c.write();
            ADD_FAILURE() << "replaced another user's file";
        } catch (const EFCreateError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + path);
        }
        struct stat st {};
        ASSERT_EQ(::lstat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, kOtherUid);
        EXPECT_EQ(ReadBytes(path), c.contents);
    }
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"KPT.dat", "Zum.dat"}));
    // Their alarm, with a sound they chose, is not this user's alarm.
    EXPECT_FALSE(AlarmFile::Exists());
    EXPECT_THROW(AlarmFile::Load(), EFOpenError);
}

// Root's alarm is every user's; a user who may not remove it hears so on
// disarming, since it would arm the alarm again at the next start.
TEST_F(SharedDirectoryTest, RootsAlarmIsSharedAndADeleteRefusedIsReported)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    AlarmFile::Save("06:00:00", "/root.wav");
    const std::string path = dir_.File("KPT.dat");
    const int code = RunAsUser(kOtherUid, [&] {
        if (!AlarmFile::Exists() || AlarmFile::Load() != std::vector<std::string>{"06:00:00", "/root.wav"})
            return 1;
        try {
            AlarmFile::Delete();
            return 2;
        } catch (const EFDeleteError& e) {
            return std::string(e.what()) == "Cannot delete file " + path ? 0 : 3;
        }
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadBytes(path), AlarmFile::Encode("06:00:00", "/root.wav"));
}

}  // namespace
