#include "SettingsTestSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <grp.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TempDir::TempDir()
{
    char templ[] = "/tmp/zum-settings-XXXXXX";
    if (::mkdtemp(templ) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = templ;
    ::chmod(path_.c_str(), 01777);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::Names() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void SettingsTest::SetUp()
{
    if (const char* old = std::getenv("ZUM_SYSTEM_DIR")) {
        hadSystemDir_ = true;
        oldSystemDir_ = old;
    }
    ::setenv("ZUM_SYSTEM_DIR", dir_.path().c_str(), 1);
}

void SettingsTest::TearDown()
{
    if (hadSystemDir_)
        ::setenv("ZUM_SYSTEM_DIR", oldSystemDir_.c_str(), 1);
    else
        ::unsetenv("ZUM_SYSTEM_DIR");
}

int RunInChild(const std::function<int()>& body, unsigned timeoutSeconds)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        ::alarm(timeoutSeconds);
        int code = 99;
        try {
            code = body();
        } catch (...) {
            code = 98;
        }
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

int RunAsUser(uid_t uid, const std::function<int()>& body, unsigned timeoutSeconds)
{
    return RunInChild(
        [&] {
            if (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0 || ::setresuid(uid, uid, uid) != 0)
                return 97;
            return body();
        },
        timeoutSeconds);
}
