#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> p;
    p.reserve(strings.size() + 1);
    for (auto& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Everything the child does between fork and exec must be async-signal-safe,
// since the test may have other threads: the argument and environment arrays
// are built before the fork.
pid_t spawn(std::vector<std::string> argv, const EnvOverrides& env, int outFd, int errFd, int keepFd,
            int parentDeathCheck)
{
    if (argv.empty())
        throw std::invalid_argument("empty command");
    std::vector<std::string> envStrings = childEnvironment(env);
    std::vector<char*> args = pointers(argv);
    std::vector<char*> envp = pointers(envStrings);

    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parentDeathCheck)
            _exit(127);
        int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(outFd >= 0 ? outFd : devNull, 1);
        dup2(errFd >= 0 ? errFd : devNull, 2);
        if (keepFd >= 0)
            fcntl(keepFd, F_SETFD, 0);
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }
    setpgid(pid, pid);  // both sides set it, so a kill right after fork already finds the group
    return pid;
}

std::string readAll(int fd, std::string& into)
{
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        into.append(buf, static_cast<size_t>(n));
    return into;
}

}  // namespace

std::vector<std::string> childEnvironment(const EnvOverrides& env)
{
    std::vector<std::string> out;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        std::string name = entry.substr(0, entry.find('='));
        if (!env.contains(name))
            out.push_back(entry);
    }
    for (const auto& [name, value] : env)
        if (value)
            out.push_back(name + "=" + *value);
    return out;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const EnvOverrides& env, const std::string& logPath,
                           int keepFd)
{
    int logFd = -1;
    if (!logPath.empty()) {
        logFd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (logFd < 0)
            throw std::runtime_error("cannot open log " + logPath);
    }
    try {
        pid_ = spawn(argv, env, logFd, logFd, keepFd, getpid());
    } catch (...) {
        if (logFd >= 0)
            close(logFd);
        throw;
    }
    if (logFd >= 0)
        close(logFd);
}

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::running()
{
    return !wait(std::chrono::milliseconds(0)).has_value();
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds timeout)
{
    if (status_ || pid_ < 0)
        return status_;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            status_ = status;
            return status_;
        }
        if (r < 0 && errno != EINTR) {
            status_ = -1;
            return status_;
        }
        if (Clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void ChildProcess::stop()
{
    if (pid_ < 0)
        return;
    // The group may hold children of the child even after the child itself
    // ended, so it is signalled either way.
    kill(-pid_, SIGTERM);
    if (!wait(std::chrono::seconds(3))) {
        kill(-pid_, SIGKILL);
        wait(std::chrono::seconds(3));
    }
    kill(-pid_, SIGKILL);
}

CommandResult runCommand(const std::vector<std::string>& argv, const EnvOverrides& env,
                         std::chrono::milliseconds timeout)
{
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        throw std::runtime_error("pipe");
    }
    pid_t pid;
    try {
        pid = spawn(argv, env, outPipe[1], errPipe[1], -1, getpid());
    } catch (...) {
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            close(fd);
        throw;
    }
    close(outPipe[1]);
    close(errPipe[1]);
    fcntl(outPipe[0], F_SETFL, O_NONBLOCK);
    fcntl(errPipe[0], F_SETFL, O_NONBLOCK);

    CommandResult result;
    const auto deadline = Clock::now() + timeout;
    bool timedOut = false;
    int openPipes = 2;
    while (openPipes > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        int n = poll(fds, 2, static_cast<int>(left));
        if (n < 0 && errno == EINTR)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            std::string& into = i == 0 ? result.out : result.err;
            char buf[65536];
            ssize_t r = read(fds[i].fd, buf, sizeof buf);
            if (r > 0) {
                into.append(buf, static_cast<size_t>(r));
            } else if (r == 0 || (errno != EAGAIN && errno != EINTR)) {
                (i == 0 ? outPipe[0] : errPipe[0]) = -1;
                close(fds[i].fd);
                --openPipes;
            }
        }
        if (outPipe[0] < 0 && errPipe[0] < 0)
            break;
    }
    if (timedOut)
        kill(-pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    kill(-pid, SIGKILL);  // anything the command left in its group
    if (outPipe[0] >= 0) {
        readAll(outPipe[0], result.out);
        close(outPipe[0]);
    }
    if (errPipe[0] >= 0) {
        readAll(errPipe[0], result.err);
        close(errPipe[0]);
    }
    result.exitCode = (!timedOut && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    return result;
}
