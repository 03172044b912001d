#pragma once

#include <string>

// The machine-wide directory that holds the program's state files (the
// alarm file and the start-with-logon marker). It is shared by every user of
// the machine, so it is expected to be world-writable and sticky.
//
// Every path is computed afresh from the environment at each call, so a
// change of ZUM_SYSTEM_DIR takes effect at the next use.
class SystemDirectory {
public:
    static constexpr const char* kAlarmFileName = "KPT.dat";
    static constexpr const char* kMarkerFileName = "Zum.dat";

    // $ZUM_SYSTEM_DIR when set and non-empty, otherwise the directory built
    // in (<local state dir of the install prefix>/lib/zum, /var/lib/zum for
    // an install into /usr); never with a trailing slash (except for the
    // root directory itself).
    static std::string Path();

    // Path() + "/KPT.dat": present means the alarm is armed.
    static std::string AlarmFilePath();

    // Path() + "/Zum.dat": present means start with logon is on.
    static std::string MarkerFilePath();

    // Removes the scratch files that saves of this user's program left in
    // Path() when they were killed part-way; never another user's, and never
    // one a save is writing now. Returns how many it removed.
    static int RemoveStaleScratchFiles();
};
