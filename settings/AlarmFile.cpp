#include "settings/AlarmFile.h"

#include <algorithm>
#include <cerrno>
#include <utility>
#include <unistd.h>

#include "settings/FileErrors.h"
#include "settings/StateFile.h"
#include "settings/SystemDirectory.h"

std::string AlarmFile::Encode(const std::string& alarmText, const std::string& soundPath)
{
    return alarmText + "\r\n" + soundPath + "\r\n";
}

bool AlarmFile::KeepsWhole(std::string_view text)
{
    return text.size() <= kMaxLineBytes && text.find_first_of("\r\n") == std::string_view::npos;
}

void AlarmFile::Save(const std::string& alarmText, const std::string& soundPath)
{
    SaveTo(SystemDirectory::AlarmFilePath(), alarmText, soundPath);
}

void AlarmFile::SaveTo(const std::string& path, const std::string& alarmText, const std::string& soundPath)
{
    // Saving what a restart would cut or split would lose it silently.
    if (!KeepsWhole(alarmText) || !KeepsWhole(soundPath))
        throw EFCreateError(path);
    if (StateFile::Replace(path, Encode(alarmText, soundPath)) != 0)
        throw EFCreateError(path);
}

void AlarmFile::Delete()
{
    DeleteAt(SystemDirectory::AlarmFilePath());
}

void AlarmFile::DeleteAt(const std::string& path)
{
    if (StateFile::Remove(path) != 0)
        throw EFDeleteError(path);
}

bool AlarmFile::Exists()
{
    return ExistsAt(SystemDirectory::AlarmFilePath());
}

bool AlarmFile::ExistsAt(const std::string& path)
{
    return StateFile::IsSoleRegularFile(path);
}

std::vector<std::string> AlarmFile::Load()
{
    return LoadFrom(SystemDirectory::AlarmFilePath());
}

std::vector<std::string> AlarmFile::LoadFrom(const std::string& path, std::uint64_t* bytesRead)
{
    const int fd = StateFile::OpenForReading(path);
    if (fd < 0)
        throw EFOpenError(path);

    LineSplitter splitter(kLinesUsed, kMaxLineBytes);
    char buffer[4096];
    std::size_t total = 0;
    bool failed = false;
    while (!splitter.Done() && total < kMaxReadBytes) {
        const ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, kMaxReadBytes - total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            failed = got < 0;
            break;
        }
        total += static_cast<std::size_t>(got);
        splitter.Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
    }
    ::close(fd);
    if (failed)
        throw EFOpenError(path);
    if (bytesRead != nullptr)
        *bytesRead = total;
    return splitter.Finish();
}

void AlarmFile::LineSplitter::EndLine()
{
    FLines.push_back(std::move(FCurrent));
    FCurrent.clear();
    FInLine = false;
}

std::size_t AlarmFile::LineSplitter::Feed(std::string_view data)
{
    std::size_t i = 0;
    while (i < data.size() && !Done()) {
        const char byte = data[i];
        // An LF right after a CR belongs to it and ends no line of its own.
        if (std::exchange(FAfterCR, false) && byte == '\n') {
            ++i;
            continue;
        }
        if (byte == '\r' || byte == '\n') {
            FAfterCR = (byte == '\r');
            EndLine();
            ++i;
            continue;
        }
        // Take the run of ordinary bytes up to the next line end at once,
        // keeping only what still fits under the line bound.
        const std::size_t end = std::min(data.find_first_of("\r\n", i), data.size());
        FCurrent.append(data.substr(i, std::min(end - i, FMaxLineBytes - FCurrent.size())));
        FInLine = true;
        i = end;
    }
    return i;
}

std::vector<std::string> AlarmFile::LineSplitter::Finish()
{
    if (FInLine && !Done())
        EndLine();
    FAfterCR = false;
    return std::move(FLines);
}
