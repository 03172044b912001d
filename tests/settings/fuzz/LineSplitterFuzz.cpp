// Fuzzes the alarm file's line loader against a plain reference splitter:
// the bounded, chunked splitter and the file loader must give exactly the
// lines that an unbounded split of the same bytes gives, cut to the bounds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "settings/AlarmFile.h"

namespace {

std::vector<std::string> Reference(std::string_view input, std::size_t maxLines, std::size_t maxLineBytes)
{
    std::vector<std::string> lines;
    std::string current;
    bool inLine = false;
    for (std::size_t i = 0; i < input.size(); ++i) {
        const char c = input[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            inLine = false;
            if (c == '\r' && i + 1 < input.size() && input[i + 1] == '\n')
                ++i;
            continue;
        }
        current += c;
        inLine = true;
    }
    if (inLine)
        lines.push_back(current);
    if (lines.size() > maxLines)
        lines.resize(maxLines);
    for (auto& line : lines) {
        if (line.size() > maxLineBytes)
            line.resize(maxLineBytes);
    }
    return lines;
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "mismatch: %s\n", what);
    std::abort();
}

std::string scratchDir;
std::string scratchFile;

void RemoveScratch()
{
    ::unlink(scratchFile.c_str());
    ::rmdir(scratchDir.c_str());
}

const std::string& ScratchFile()
{
    if (scratchFile.empty()) {
        // Memory-backed where possible: the loader runs once per input.
        char templ[] = "/dev/shm/zum-line-fuzz-XXXXXX";
        if (::access("/dev/shm", W_OK) != 0)
            std::snprintf(templ, sizeof templ, "/tmp/zum-line-fuzz-XXXXXX");
        if (::mkdtemp(templ) == nullptr)
            std::abort();
        scratchDir = templ;
        scratchFile = scratchDir + "/KPT.dat";
        std::atexit(RemoveScratch);
    }
    return scratchFile;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first three bytes choose the bounds and how the input is cut.
    if (size < 3)
        return 0;
    const std::size_t maxLines = data[0] % 5;
    const std::size_t maxLineBytes = data[1] % 16;
    const std::size_t chunk = 1 + data[2] % 7;
    const std::string_view input(reinterpret_cast<const char*>(data) + 3, size - 3);

    AlarmFile::LineSplitter splitter(maxLines, maxLineBytes);
    std::size_t at = 0;
    while (at < input.size() && !splitter.Done()) {
        const std::string_view piece = input.substr(at, chunk);
        const std::size_t used = splitter.Feed(piece);
        if (used > piece.size() || (used < piece.size() && !splitter.Done()))
            Fail("Feed consumed the wrong amount");
        at += used;
        if (used < piece.size())
            break;
    }
    const std::vector<std::string> lines = splitter.Finish();
    if (lines != Reference(input, maxLines, maxLineBytes))
        Fail("chunked splitter");

    // The loader on a real file, with its own bounds: it sees at most
    // kMaxReadBytes of the file.
    const std::string& path = ScratchFile();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::write(fd, input.data(), input.size()) != static_cast<ssize_t>(input.size()))
        std::abort();
    ::close(fd);
    std::uint64_t bytesRead = 0;
    const auto loaded = AlarmFile::LoadFrom(path, &bytesRead);
    if (bytesRead > input.size() || bytesRead > AlarmFile::kMaxReadBytes)
        Fail("bytes read");
    const std::string_view seen = input.substr(0, AlarmFile::kMaxReadBytes);
    if (loaded != Reference(seen, AlarmFile::kLinesUsed, AlarmFile::kMaxLineBytes))
        Fail("file loader");
    return 0;
}
