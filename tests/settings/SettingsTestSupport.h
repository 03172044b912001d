#pragma once

#include <functional>
#include <sys/types.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/Files.h"

// A fresh directory per test, shared like the real state directory (mode
// 1777), removed with everything in it afterwards. Links inside are removed
// as links, never followed.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names in the directory, sorted, without "." and "..".
    std::vector<std::string> Names() const;

private:
    std::string path_;
};

// Each test gets its own state directory through ZUM_SYSTEM_DIR; a second
// directory outside it stands for "somewhere else on the machine".
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TempDir dir_;
    TempDir elsewhere_;

private:
    bool hadSystemDir_ = false;
    std::string oldSystemDir_;
};

// Runs `body` in a forked child and returns its exit status, or 128 + the
// signal that ended it. The child is killed after `timeoutSeconds`, so a
// hang shows as a failure (128 + SIGALRM) instead of a stuck test.
int RunInChild(const std::function<int()>& body, unsigned timeoutSeconds = 10);
// The same, with the child's user and group ids (real, effective, saved)
// set to `uid` first; 97 when that is refused (the caller must be root).
int RunAsUser(uid_t uid, const std::function<int()>& body, unsigned timeoutSeconds = 10);
