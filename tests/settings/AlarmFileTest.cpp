#include "settings/AlarmFile.h"

#include <chrono>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SettingsTestSupport.h"
#include "settings/FileErrors.h"
#include "settings/SystemDirectory.h"

using namespace std::string_literals;

namespace {

class AlarmFileTest : public SettingsTest {};

struct SaveCase {
    const char* name;
    std::string alarmText;
    std::string soundPath;
    std::string bytes;
};

TEST_F(AlarmFileTest, SaveWritesTwoCrLfLinesExactlyAndLoadsThemBack)
{
    const SaveCase cases[] = {
        {"ordinary", "07:30:00", "/home/ann/sounds/ring.wav", "07:30:00\r\n/home/ann/sounds/ring.wav\r\n"},
        {"empty texts", "", "", "\r\n\r\n"},
        {"empty sound", "23:09:10", "", "23:09:10\r\n\r\n"},
        {"spaces", " 7:05:00 ", "/tmp/my sounds/wake up.mp3", " 7:05:00 \r\n/tmp/my sounds/wake up.mp3\r\n"},
        {"non-ASCII bytes", "\xe9\xff\x80", "/m\xfcsik/\xc3\xa9t\xc3\xa9.wav",
         "\xe9\xff\x80\r\n/m\xfcsik/\xc3\xa9t\xc3\xa9.wav\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AlarmFile::Save(c.alarmText, c.soundPath);
        const std::string path = dir_.File("KPT.dat");
        EXPECT_EQ(ReadBytes(path), c.bytes);
        EXPECT_TRUE(AlarmFile::Exists());
        const std::vector<std::string> expected{c.alarmText, c.soundPath};
        EXPECT_EQ(AlarmFile::Load(), expected);
        // Replacing leaves nothing behind but the file itself.
        EXPECT_EQ(dir_.Names(), std::vector<std::string>{"KPT.dat"});
    }
}

TEST_F(AlarmFileTest, SavedFileIsReadableByEveryUserWhateverTheUmask)
{
    const mode_t old = ::umask(077);
    AlarmFile::Save("07:30:00", "/s.wav");
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat(dir_.File("KPT.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

struct LoadCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
};

TEST_F(AlarmFileTest, LoadSplitsLinesAtCrLfLoneCrAndLoneLf)
{
    const LoadCase cases[] = {
        {"CR LF", "07:30:00\r\n/s/ring.wav\r\n", {"07:30:00", "/s/ring.wav"}},
        {"lone CR", "07:30:00\r/s/ring.wav\r", {"07:30:00", "/s/ring.wav"}},
        {"lone LF", "07:30:00\n/s/ring.wav\n", {"07:30:00", "/s/ring.wav"}},
        {"CR LF then lone LF", "a\r\n\nb\r\n", {"a", ""}},
        {"LF then CR", "a\n\rb", {"a", ""}},
        {"CR then CR LF", "a\rb\r\n", {"a", "b"}},
        {"two CRs", "\r\r", {"", ""}},
        {"last line without end", "07:30:00\r\n/s/ring.wav", {"07:30:00", "/s/ring.wav"}},
        {"empty file", "", {}},
        {"one line", "07:30:00\r\n", {"07:30:00"}},
        {"one line without end", "07:30:00", {"07:30:00"}},
        {"one line ending in lone CR", "07:30:00\r", {"07:30:00"}},
        {"only a line end", "\r\n", {""}},
        {"three lines", "a\r\nb\r\nc\r\n", {"a", "b"}},
        {"NUL bytes", "a\0b\r\n\0\r\n"s, {"a\0b"s, "\0"s}},
        {"tabs and high bytes kept", "\t\xff\r\n\x80 \r\n", {"\t\xff", "\x80 "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_.File("KPT.dat");
        WriteBytes(path, c.bytes);
        EXPECT_TRUE(AlarmFile::Exists());
        EXPECT_EQ(AlarmFile::Load(), c.lines);
    }
}

TEST_F(AlarmFileTest, FailedSavesReportTheAlarmFilePath)
{
    const std::string notADirectory = dir_.File("plain");
    WriteBytes(notADirectory, "x");
    const std::string paths[] = {
        dir_.File("missing/KPT.dat"),  // directory does not exist
        notADirectory + "/KPT.dat",    // a path component is a file
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path);
        try {
            AlarmFile::SaveTo(path, "07:30:00", "/s.wav");
            ADD_FAILURE() << "save succeeded";
        } catch (const EFCreateError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + path);
        }
    }
    // The state directory itself missing fails the same way for root.
    ::setenv("ZUM_SYSTEM_DIR", dir_.File("gone").c_str(), 1);
    EXPECT_THROW(AlarmFile::Save("07:30:00", ""), EFCreateError);
    EXPECT_FALSE(AlarmFile::Exists());
}

TEST_F(AlarmFileTest, DirectoryInPlaceOfTheFileIsNotAnAlarmFile)
{
    const std::string path = dir_.File("KPT.dat");
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    WriteBytes(path + "/inside", "keep");
    EXPECT_FALSE(AlarmFile::Exists());
    EXPECT_THROW(AlarmFile::Load(), EFOpenError);
    EXPECT_THROW(AlarmFile::Save("07:30:00", "/s.wav"), EFCreateError);
    AlarmFile::Delete();
    EXPECT_EQ(ReadBytes(path + "/inside"), "keep");
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"KPT.dat"}) << "no temporary file left";
}

TEST_F(AlarmFileTest, MissingFileDoesNotExistAndCannotBeLoaded)
{
    EXPECT_FALSE(AlarmFile::Exists());
    try {
        AlarmFile::Load();
        ADD_FAILURE() << "load succeeded";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir_.File("KPT.dat"));
    }
}

TEST_F(AlarmFileTest, DeleteRemovesTheFileAndIgnoresFailures)
{
    AlarmFile::Save("07:30:00", "/s.wav");
    AlarmFile::Delete();
    EXPECT_FALSE(AlarmFile::Exists());
    EXPECT_TRUE(dir_.Names().empty());
    EXPECT_NO_THROW(AlarmFile::Delete());
    ::setenv("ZUM_SYSTEM_DIR", dir_.File("gone").c_str(), 1);
    EXPECT_NO_THROW(AlarmFile::Delete());
}

TEST_F(AlarmFileTest, PathsFollowTheEnvironmentAtEachUse)
{
    TempDir other;
    AlarmFile::Save("07:30:00", "");
    ::setenv("ZUM_SYSTEM_DIR", other.path().c_str(), 1);
    EXPECT_FALSE(AlarmFile::Exists());
    AlarmFile::Save("08:00:00", "");
    EXPECT_EQ(ReadBytes(other.File("KPT.dat")), "08:00:00\r\n\r\n");
    EXPECT_EQ(ReadBytes(dir_.File("KPT.dat")), "07:30:00\r\n\r\n");
}

// A write that fails part-way (here the file size limit, which stops root
// too, standing in for a full disk) leaves the old file whole and no
// temporary file behind.
TEST_F(AlarmFileTest, FailedWriteKeepsTheOldFileWhole)
{
    AlarmFile::Save("07:30:00", "/old.wav");
    const std::string longPath = "/" + std::string(3000, 'n') + ".wav";
    const int code = RunInChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 2;
        try {
            AlarmFile::Save("08:00:00", longPath);
        } catch (const EFCreateError& e) {
            return e.what() == "Cannot create file " + SystemDirectory::AlarmFilePath() ? 0 : 3;
        }
        return 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadBytes(dir_.File("KPT.dat")), "07:30:00\r\n/old.wav\r\n");
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"KPT.dat"});
}

TEST_F(AlarmFileTest, LongLinesAreCutAtTheBoundAndTheNextLineStillLoads)
{
    const std::size_t bound = AlarmFile::kMaxLineBytes;
    WriteBytes(dir_.File("KPT.dat"), std::string(bound, 'a') + "\r\n" + std::string(3 * bound, 'b') + "\r\nthird\r\n");
    EXPECT_EQ(AlarmFile::Load(), (std::vector<std::string>{std::string(bound, 'a'), std::string(bound, 'b')}));

    WriteBytes(dir_.File("KPT.dat"), std::string(bound + 1, 'a') + "\nsecond\n");
    EXPECT_EQ(AlarmFile::Load(), (std::vector<std::string>{std::string(bound, 'a'), "second"}));
}

std::string Repeat(const std::string& piece, std::size_t times)
{
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

// What a save writes, a load gives back whole: texts up to the line bound
// round-trip exactly; a text a load would cut or split is refused with the
// save's own error, and the file already there stays as it was.
TEST_F(AlarmFileTest, SaveRefusesWhatWouldNotComeBackWhole)
{
    const std::size_t bound = AlarmFile::kMaxLineBytes;
    const std::string path = dir_.File("KPT.dat");
    struct Case {
        const char* name;
        std::string alarmText;
        std::string soundPath;
        bool kept;
    } cases[] = {
        {"both at the bound", std::string(bound, 't'), "/" + std::string(bound - 1, 's'), true},
        {"two-byte characters up to the bound", Repeat("\xc3\xa9", bound / 2), "/s.wav", true},
        {"two-byte characters past the bound", Repeat("\xc3\xa9", bound / 2) + "x", "/s.wav", false},
        {"time one byte past", std::string(bound + 1, 't'), "/s.wav", false},
        {"sound one byte past", "07:30:00", "/" + std::string(bound, 's'), false},
        {"time far past", std::string(5 * bound, 't'), "/s.wav", false},
        {"LF in the sound", "07:30:00", "/a\nb.wav", false},
        {"CR in the time", "07:30\r:00", "/s.wav", false},
        {"CR LF at the end of the time", "07:30:00\r\n", "/s.wav", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AlarmFile::SaveTo(path, "06:00:00", "/before.wav");
        EXPECT_EQ(AlarmFile::KeepsWhole(c.alarmText) && AlarmFile::KeepsWhole(c.soundPath), c.kept);
        if (c.kept) {
            AlarmFile::SaveTo(path, c.alarmText, c.soundPath);
            EXPECT_EQ(AlarmFile::LoadFrom(path), (std::vector<std::string>{c.alarmText, c.soundPath}));
        } else {
            try {
                AlarmFile::SaveTo(path, c.alarmText, c.soundPath);
                ADD_FAILURE() << "saved what a load cannot give back";
            } catch (const EFCreateError& e) {
                EXPECT_STREQ(e.what(), ("Cannot create file " + path).c_str());
            }
            EXPECT_EQ(ReadBytes(path), "06:00:00\r\n/before.wav\r\n");
        }
        EXPECT_EQ(dir_.Names(), std::vector<std::string>{"KPT.dat"});
    }
}

class HugeAlarmFileTest : public AlarmFileTest {
protected:
    static constexpr off_t kSize = off_t{2} << 30;

    void MakeSparse(const std::string& head)
    {
        WriteBytes(dir_.File("KPT.dat"), head);
        const int fd = ::open(dir_.File("KPT.dat").c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, kSize), 0);
        ::close(fd);
    }
};

TEST_F(HugeAlarmFileTest, TwoLinesAtTheStartOfAHugeFileLoadQuickly)
{
    MakeSparse("07:30:00\r\n/s/ring.wav\r\n");
    std::uint64_t bytesRead = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto lines = AlarmFile::LoadFrom(dir_.File("KPT.dat"), &bytesRead);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(lines, (std::vector<std::string>{"07:30:00", "/s/ring.wav"}));
    EXPECT_LE(bytesRead, 4096u);
    EXPECT_LT(elapsed, std::chrono::seconds(1));
}

TEST_F(HugeAlarmFileTest, HugeFileWithoutLineEndsGivesOneBoundedLine)
{
    MakeSparse(std::string(100000, 'x'));
    std::uint64_t bytesRead = 0;
    const auto lines = AlarmFile::LoadFrom(dir_.File("KPT.dat"), &bytesRead);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], std::string(AlarmFile::kMaxLineBytes, 'x'));
    EXPECT_EQ(bytesRead, AlarmFile::kMaxReadBytes);

    // All NUL bytes (a plain ftruncate): one line of NULs, just as bounded.
    MakeSparse("");
    const auto nulLines = AlarmFile::LoadFrom(dir_.File("KPT.dat"), &bytesRead);
    ASSERT_EQ(nulLines.size(), 1u);
    EXPECT_EQ(nulLines[0], std::string(AlarmFile::kMaxLineBytes, '\0'));
    EXPECT_EQ(bytesRead, AlarmFile::kMaxReadBytes);
}

TEST(FileErrorsTest, MessagesCarryTheirPlaceholder)
{
    EXPECT_STREQ(EFCreateError("/var/lib/zum/KPT.dat").what(), "Cannot create file /var/lib/zum/KPT.dat");
    EXPECT_STREQ(EFOpenError("/var/lib/zum/KPT.dat").what(), "Cannot open file /var/lib/zum/KPT.dat");
    EXPECT_STREQ(EListError(0).what(), "List index out of bounds (0)");
    EXPECT_STREQ(EListError(1).what(), "List index out of bounds (1)");
}

}  // namespace
