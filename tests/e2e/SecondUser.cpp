#include "SecondUser.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>

#include "ChildProcess.h"

bool SecondUser::available()
{
    return ::geteuid() == 0;
}

SecondUser::SecondUser() : name_("zum-e2e-" + std::to_string(::getpid()))
{
    // A user left by a test that was killed goes first.
    runCommand({"userdel", name_}, {});
    const CommandResult made = runCommand({"useradd", "--system", "--no-create-home", "--home-dir", "/nonexistent",
                                           "--shell", "/usr/sbin/nologin", "--user-group", name_},
                                          {}, std::chrono::seconds(30));
    const passwd* entry = ::getpwnam(name_.c_str());
    if (made.exitCode != 0 || entry == nullptr)
        throw std::runtime_error("could not make the user " + name_ + ": " + made.err);
    uid_ = entry->pw_uid;
    gid_ = entry->pw_gid;
}

SecondUser::~SecondUser()
{
    // Fails while a process of the user still runs: the user's programs
    // must be stopped first.
    const CommandResult removed = runCommand({"userdel", name_}, {}, std::chrono::seconds(30));
    if (removed.exitCode != 0)
        ADD_FAILURE() << "could not remove the user " << name_ << ": " << removed.err;
}
