// A save killed at any moment leaves either the previous file or the new
// one, whole.
#include <chrono>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "SettingsTestSupport.h"
#include "settings/AlarmFile.h"
#include "settings/SystemDirectory.h"

namespace {

class CrashSafetyTest : public SettingsTest {};

TEST_F(CrashSafetyTest, SaveKilledPartWayLeavesOneWholeVersion)
{
    // Two versions of different lengths; the longer one takes several
    // writes' worth of time, so kills land inside writes too.
    const std::string shortTime = "07:30:00";
    const std::string shortSound = "/s.wav";
    const std::string longTime = "23:59:59";
    const std::string longSound = "/" + std::string(4000, 'p') + ".wav";
    const std::string versionA = AlarmFile::Encode(shortTime, shortSound);
    const std::string versionB = AlarmFile::Encode(longTime, longSound);
    const std::string path = dir_.File("KPT.dat");
    AlarmFile::SaveTo(path, shortTime, shortSound);

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayMicros(0, 15000);
    int sawA = 0;
    int sawB = 0;
    constexpr int kRounds = 300;
    for (int round = 0; round < kRounds; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Rounds start with alternate versions, so whichever save a kill
            // interrupts, both versions keep being written.
            for (unsigned i = static_cast<unsigned>(round);; ++i) {
                try {
                    if (i % 2 == 0)
                        AlarmFile::SaveTo(path, longTime, longSound);
                    else
                        AlarmFile::SaveTo(path, shortTime, shortSound);
                } catch (...) {
                    ::_exit(3);
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicros(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child failed on its own in round " << round;

        const std::string bytes = ReadBytes(path);
        ASSERT_TRUE(bytes == versionA || bytes == versionB) << "round " << round << ": " << bytes.size() << " bytes";
        (bytes == versionA ? sawA : sawB)++;
    }
    // Both versions showed up, so the kills really fell among the saves.
    EXPECT_GT(sawA, 0);
    EXPECT_GT(sawB, 0);
    const std::size_t leftovers = dir_.Names().size() - 1;
    std::printf("versions seen: A %d, B %d; temporary files left by kills: %zu\n", sawA, sawB, leftovers);

    // Leftover temporary files do not stand in the way of later saves.
    AlarmFile::SaveTo(path, "06:15:00", "/after.wav");
    EXPECT_EQ(AlarmFile::LoadFrom(path), (std::vector<std::string>{"06:15:00", "/after.wav"}));

    // The next start removes every one of them: a killed writer holds no
    // lock.
    EXPECT_EQ(SystemDirectory::RemoveStaleScratchFiles(), static_cast<int>(leftovers));
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"KPT.dat"});
}

}  // namespace
