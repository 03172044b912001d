#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// Environment of a child: the test's own environment with some variables
// replaced or removed (an empty optional removes the variable).
using EnvOverrides = std::map<std::string, std::optional<std::string>>;

// A program started in a process group of its own, so that everything it
// starts can be stopped together. The child is killed by the kernel if the
// test thread that started it dies, so a crashing test leaves no strays.
// Owns the process: the destructor stops the group and reaps the child.
class ChildProcess {
public:
    // stdout and stderr go to logPath (appended); an empty path discards them.
    // keepFd, if >= 0, is handed to the child as file descriptor keepFd.
    ChildProcess(const std::vector<std::string>& argv, const EnvOverrides& env, const std::string& logPath,
                 int keepFd = -1);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // Waits for the child to end; returns its exit status as waitpid gives it,
    // or nothing if it is still running at the deadline.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    // SIGTERM to the group, SIGKILL after a grace period; reaps the child.
    void stop();

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

struct CommandResult {
    int exitCode = -1;  // -1 when killed by a signal or timed out
    std::string out;
    std::string err;
};

// Runs a short command to its end (killing it at the timeout) and collects
// what it prints.
CommandResult runCommand(const std::vector<std::string>& argv, const EnvOverrides& env,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The environment a child would get, as "NAME=value" strings.
std::vector<std::string> childEnvironment(const EnvOverrides& env);
