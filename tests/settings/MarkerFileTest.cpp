#include "settings/MarkerFile.h"

#include "SettingsTestSupport.h"
#include "settings/FileErrors.h"

namespace {

class MarkerFileTest : public SettingsTest {};

TEST_F(MarkerFileTest, WriteStoresTheFourBytesNullWithoutLineEnd)
{
    EXPECT_FALSE(MarkerFile::Exists());
    MarkerFile::Write();
    EXPECT_EQ(ReadBytes(dir_.File("Zum.dat")), "null");
    EXPECT_TRUE(MarkerFile::Exists());
}

TEST_F(MarkerFileTest, AnyRegularFileCountsWhateverItHolds)
{
    for (const char* contents : {"", "something else\r\n"}) {
        SCOPED_TRACE(contents);
        WriteBytes(dir_.File("Zum.dat"), contents);
        EXPECT_TRUE(MarkerFile::Exists());
    }
    MarkerFile::Write();
    EXPECT_EQ(ReadBytes(dir_.File("Zum.dat")), "null");
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"Zum.dat"});
}

TEST_F(MarkerFileTest, DeleteRemovesItAndIgnoresFailures)
{
    MarkerFile::Write();
    MarkerFile::Delete();
    EXPECT_FALSE(MarkerFile::Exists());
    EXPECT_NO_THROW(MarkerFile::Delete());
}

TEST_F(MarkerFileTest, WriteIntoAMissingDirectoryReportsTheMarkerPath)
{
    const std::string path = dir_.File("gone/Zum.dat");
    ::setenv("ZUM_SYSTEM_DIR", dir_.File("gone").c_str(), 1);
    try {
        MarkerFile::Write();
        ADD_FAILURE() << "write succeeded";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + path);
    }
    EXPECT_FALSE(MarkerFile::Exists());
}

}  // namespace
