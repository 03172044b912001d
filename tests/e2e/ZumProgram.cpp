#include "ZumProgram.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "XDisplay.h"
#include "tests/support/Files.h"

std::string ZumProgram::binary()
{
    const char* path = std::getenv("ZUM_BINARY");
    return path && *path ? path : ZUM_BUILT_BINARY;
}

EnvOverrides ZumProgram::environment(const EnvOverrides& displayEnv, const std::filesystem::path& scratch,
                                     const std::filesystem::path& systemDir, const Options& options)
{
    EnvOverrides env = displayEnv;
    env["ZUM_SYSTEM_DIR"] = systemDir.string();
    env["ZUM_AUDIO_SINK"] = options.audioSink;
    env["LC_ALL"] = options.locale;
    env["LANG"] = options.locale;
    env["LANGUAGE"] = std::nullopt;
    // Nothing of the user running the tests is read or written.
    const auto home = scratch / "home";
    std::filesystem::create_directories(home);
    env["HOME"] = home.string();
    // GStreamer keeps its plugin registry under HOME, so with a fresh HOME
    // every start would scan all plugins again (seconds, under the
    // sanitizers). The suite shares one registry, a cache of what is
    // installed, made before the first start.
    const auto registry =
        std::filesystem::temp_directory_path() / ("zum-e2e-gst-registry-" + std::to_string(::getuid()) + ".bin");
    env["GST_REGISTRY"] = registry.string();
    if (!std::filesystem::exists(registry))
        runCommand({"gst-inspect-1.0", "playbin"}, env, std::chrono::seconds(120));
    // In sanitizer builds a close must still end with exit code 0, so leak
    // checking stays on for the program's own allocations; what GLib
    // allocates while the dynamic loader initialises it is kept on purpose
    // for the process's life and is not counted. GLib has no frame pointers,
    // so only the slow unwinder sees where its allocations come from.
    const char* asan = std::getenv("ASAN_OPTIONS");
    env["ASAN_OPTIONS"] = (asan && *asan ? std::string(asan) + ":" : std::string()) + "fast_unwind_on_malloc=0";
    // The program gets a suppression file of its own (a second
    // "suppressions=" replaces the first). Beside GLib's, the framework's
    // session bus connection is not counted either: its thread, started by
    // the accessibility bridge, may still run when the process ends.
    const auto suppressions = scratch / "lsan.supp";
    std::ofstream(suppressions) << "leak:_dl_init\nleak:libQt6DBus.so\n";
    const char* lsan = std::getenv("LSAN_OPTIONS");
    env["LSAN_OPTIONS"] =
        (lsan && *lsan ? std::string(lsan) + ":" : std::string()) + "suppressions=" + suppressions.string();
    for (const auto& [name, value] : options.environment)
        env[name] = value;
    if (options.scale != 1)
        env["QT_SCALE_FACTOR"] = std::to_string(options.scale);
    return env;
}

ZumProgram::ZumProgram(const XDisplay& display, const std::filesystem::path& systemDir, Options options)
    : logPath_(display.dir().path() / "zum.log"), scale_(options.scale)
{
    EnvOverrides env = environment(display.environment(), display.dir().path(), systemDir, options);
    const auto home = display.dir().path() / "home";
    {
        std::ofstream log(logPath_, std::ios::app);
        log << "---- start (" << options.locale << ")\n";
    }
    const std::string executable = options.executable.empty() ? binary() : options.executable;
    std::vector<std::string> argv{executable};
    if (!options.user.empty()) {
        // The user must reach what the program is given: its own HOME
        // and the suppression file live in the display's directory.
        std::filesystem::permissions(display.dir().path(),
                                     std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add);
        std::filesystem::permissions(home, std::filesystem::perms::all);
        // The state directory is shared by every user, as the real one is.
        std::filesystem::permissions(systemDir, std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
        env["HOME"] = home.string();
        argv = {"runuser", "-u", options.user, "--", "env", "HOME=" + home.string(), executable};
        otherUser_ = true;
    }
    process_ = std::make_unique<ChildProcess>(argv, env, logPath_.string());
    displayEnv_ = display.environment();
    if (options.expectsToEnd)
        return;
    Desktop desktop(display);
    if (otherUser_) {
        if (!findMainWindow(std::chrono::seconds(30))) {
            process_->stop();
            throw std::runtime_error("the program of user " + options.user + " showed no window; its output:\n" +
                                     output());
        }
        return;
    }
    if (options.startsHidden) {
        // The only window a program hidden in the tray shows is its icon.
        if (!desktop.findVisibleByPid(process_->pid(), std::chrono::seconds(30))) {
            process_->stop();
            throw std::runtime_error("the program showed no tray icon; its output:\n" + output());
        }
        return;
    }
    auto window = desktop.findVisibleByPid(process_->pid(), std::chrono::seconds(30));
    if (!window) {
        // Whether it hung or ended, and what windows it has at all, tell
        // a start that never maps from one that maps out of sight.
        const bool running = process_->running();
        const std::string windows =
            runCommand({"xdotool", "search", "--pid", std::to_string(process_->pid())}, display.environment()).out;
        process_->stop();
        throw std::runtime_error(std::string("the program showed no window (") +
                                 (running ? "still running" : "it had ended") + "; its windows, mapped or not: [" +
                                 windows + "]); its output:\n" + output());
    }
    window_ = *window;
}

bool ZumProgram::findMainWindow(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        std::vector<std::string> search{"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid()),
                                        "--name",  "^ZUM$"};
        if (otherUser_)
            search.erase(search.begin() + 3, search.begin() + 5);
        auto r = runCommand(search, displayEnv_);
        // Names match regardless of case, so the tray icon ("zum") is among
        // them; the main window is the wide one.
        std::istringstream ids(r.out);
        for (std::string id; std::getline(ids, id);) {
            auto info = runCommand({"xwininfo", "-id", id}, displayEnv_);
            const auto at = info.out.find("Width: ");
            if (at != std::string::npos && std::stoi(info.out.substr(at + 7)) >= 300) {
                window_ = id;
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
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
    return ReadBytesIfAny(logPath_).value_or("");
}
