#include "settings/SystemDirectory.h"

#include "SettingsTestSupport.h"
#include "settings/DefaultSystemDirectory.h"

namespace {

class SystemDirectoryTest : public SettingsTest {};

TEST_F(SystemDirectoryTest, EnvironmentNamesTheDirectoryElseTheMachineDefault)
{
    struct Case {
        const char* value;  // nullptr: unset
        const char* alarm;
        const char* marker;
    };
    const Case cases[] = {
        {nullptr, ZUM_DEFAULT_SYSTEM_DIR "/KPT.dat", ZUM_DEFAULT_SYSTEM_DIR "/Zum.dat"},
        {"", ZUM_DEFAULT_SYSTEM_DIR "/KPT.dat", ZUM_DEFAULT_SYSTEM_DIR "/Zum.dat"},
        {"/srv/state", "/srv/state/KPT.dat", "/srv/state/Zum.dat"},
        {"/srv/state//", "/srv/state/KPT.dat", "/srv/state/Zum.dat"},
        {"/", "/KPT.dat", "/Zum.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        if (c.value)
            ::setenv("ZUM_SYSTEM_DIR", c.value, 1);
        else
            ::unsetenv("ZUM_SYSTEM_DIR");
        EXPECT_EQ(SystemDirectory::AlarmFilePath(), c.alarm);
        EXPECT_EQ(SystemDirectory::MarkerFilePath(), c.marker);
    }
}

}  // namespace
