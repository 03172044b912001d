#pragma once

#include <string>
#include <sys/types.h>

// A throwaway user of this machine, another user beside the one running the
// tests: made with useradd (no home, no login shell) and removed again with
// userdel when the object goes. Only root can make one; available() says
// whether this process can. The user must have no process left when the
// object goes.
class SecondUser {
public:
    static bool available();

    SecondUser();  // throws when the user cannot be made
    ~SecondUser();
    SecondUser(const SecondUser&) = delete;
    SecondUser& operator=(const SecondUser&) = delete;

    const std::string& name() const { return name_; }
    uid_t uid() const { return uid_; }
    gid_t gid() const { return gid_; }

private:
    std::string name_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
};
