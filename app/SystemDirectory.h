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
    // $ZUM_SYSTEM_DIR when set and non-empty, otherwise the directory built
    // in (<local state dir of the install prefix>/lib/zum, /var/lib/zum for
    // an install into /usr); never with a trailing slash (except for the
    // root directory itself).
    static std::string Path();

    // Path() + "/KPT.dat": present means the alarm is armed.
    static std::string AlarmFilePath();

    // Path() + "/Zum.dat": present means start with logon is on.
    static std::string MarkerFilePath();
};
