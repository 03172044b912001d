// "Auto Run" and the machine-wide autostart entry, which every user's logon
// runs: it never names a program another user could replace.

#include <filesystem>

#include "Poll.h"
#include "ZumFixture.h"

using namespace std::chrono_literals;

namespace {

class Autostart : public ZumFixture {};

TEST_F(Autostart, ProgramInAFolderEveryUserMayWriteGetsOnlyTheMarker)
{
    namespace fs = std::filesystem;
    const fs::path folder = scratch() / "shared-bin";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::all);  // writable by every user, not sticky
    const fs::path copy = folder / "zum";
    fs::copy_file(ZumProgram::binary(), copy);

    start({.executable = copy.string()});
    menu("r");  // "Auto &Run"
    const fs::path marker = alarmFile().parent_path() / "Zum.dat";
    ASSERT_TRUE(waitUntil(5s, [&] { return fs::exists(marker); })) << "switching on wrote no marker";
    // The marker is written after the entry would have been.
    EXPECT_FALSE(fs::exists(display_->dir().path() / "xdg" / "autostart" / "ZUM.desktop"))
        << "the entry names a program another user can replace";
    EXPECT_EQ(closeByButton(), 0);
}

}  // namespace
