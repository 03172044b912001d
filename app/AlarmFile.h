#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The alarm file: its presence means the alarm is armed; it holds two lines,
// the alarm time text and the sound file path, each ended by CR LF, as plain
// bytes exactly as the captions hold them.
//
// What counts as the alarm file is a regular file with a single hard link
// at that name. A symbolic link, a hard link to some other file, a FIFO or a
// directory planted there (the directory is shared by every user) is not an
// alarm file: Exists() is false, Load() refuses it, Save() refuses to replace
// it, and Delete() removes only the name, never what it points to.
//
// The functions without a path work on SystemDirectory::AlarmFilePath(),
// computed afresh at each call.
class AlarmFile {
public:
    // Bounds of a load: each line keeps at most kMaxLineBytes bytes (the rest
    // of a longer line is skipped), reading stops once kLinesUsed lines are
    // complete, and no more than kMaxReadBytes bytes are read in all (a
    // pending line at that point counts as the last one). Ordinary files are
    // far below every bound and load exactly.
    static constexpr std::size_t kLinesUsed = 2;
    static constexpr std::size_t kMaxLineBytes = 4096;
    static constexpr std::size_t kMaxReadBytes = 64 * 1024;

    // Creates or replaces the file as a whole; throws EFCreateError with the
    // file's path when it cannot. On failure the previous file stays whole.
    static void Save(const std::string& alarmText, const std::string& soundPath);
    static void SaveTo(const std::string& path, const std::string& alarmText,
                       const std::string& soundPath);

    // Removes the file if it is there; a failure is not reported.
    static void Delete();
    static void DeleteAt(const std::string& path);

    static bool Exists();
    static bool ExistsAt(const std::string& path);

    // Returns the file's first lines (at most kLinesUsed, fewer when the file
    // has fewer), without interpreting them. Throws EFOpenError when the file
    // is missing or is not an alarm file. `bytesRead`, when given, receives
    // the number of bytes read from the file.
    static std::vector<std::string> Load();
    static std::vector<std::string> LoadFrom(const std::string& path,
                                             std::uint64_t* bytesRead = nullptr);

    // The file's exact bytes for the two texts.
    static std::string Encode(const std::string& alarmText, const std::string& soundPath);
};
