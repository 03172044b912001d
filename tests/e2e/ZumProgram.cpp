#include "ZumProgram.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

#include "XDisplay.h"

std::string ZumProgram::binary()
{
    const char* path = std::getenv("ZUM_BINARY");
    return path && *path ? path : ZUM_BUILT_BINARY;
}

ZumProgram::ZumProgram(const XDisplay& display, const std::filesystem::path& systemDir, Options options)
    : logPath_(display.dir().path() / "zum.log")
{
    EnvOverrides env = display.environment();
    env["ZUM_SYSTEM_DIR"] = systemDir.string();
    env["ZUM_AUDIO_SINK"] = options.audioSink;
    env["LC_ALL"] = options.locale;
    env["LANG"] = options.locale;
    env["LANGUAGE"] = std::nullopt;
    {
        std::ofstream log(logPath_, std::ios::app);
        log << "---- start (" << options.locale << ")\n";
    }
    process_ = std::make_unique<ChildProcess>(std::vector<std::string>{binary()}, env, logPath_.string());
    Desktop desktop(display);
    auto window = desktop.findVisibleByPid(process_->pid(), std::chrono::seconds(30));
    if (!window) {
        process_->stop();
        throw std::runtime_error("the program showed no window; its output:\n" + output());
    }
    window_ = *window;
}

ZumProgram::~ZumProgram()
{
    process_->stop();
}

std::optional<int> ZumProgram::exitCode(std::chrono::milliseconds timeout)
{
    auto status = process_->wait(timeout);
    if (!status)
        return std::nullopt;
    return WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

std::string ZumProgram::output() const
{
    std::ifstream in(logPath_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
