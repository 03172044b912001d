#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The alarm file: its presence means the alarm is armed; it holds two lines,
// the alarm time text and the sound file path, each ended by CR LF, as plain
// bytes exactly as the captions hold them.
//
// What counts as the alarm file is a regular file with a single hard link
// at that name, owned by this user or by root. A symbolic link, a hard link
// to some other file, a FIFO or a directory planted there (the directory is
// shared by every user) is not an alarm file, and neither is another user's
// file, whose sound this user's program must never decode: Exists() is false
// and Load() refuses it, so nothing of another file is ever shown or played. Save() never writes into an existing entry: it puts a
// new file in place of the name, and only where the name is free or holds a
// regular file of the same user (a hard link of our own is replaced as a
// name; its other names keep their bytes); anything else fails the save.
// Delete() removes only the name, never what it points to, and says when it
// cannot: a file left there arms the alarm again at the next start.
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

    // Whether a load gives `text` back whole as one line: at most
    // kMaxLineBytes bytes and no CR or LF in it.
    static bool KeepsWhole(std::string_view text);

    // Creates or replaces the file as a whole; throws EFCreateError with the
    // file's path when it cannot, or when a text would not come back whole
    // from a load (see KeepsWhole). On failure the previous file stays whole.
    static void Save(const std::string& alarmText, const std::string& soundPath);
    static void SaveTo(const std::string& path, const std::string& alarmText, const std::string& soundPath);

    // Removes the file if it is there; throws EFDeleteError with the file's
    // path when a file is there and cannot be removed.
    static void Delete();
    static void DeleteAt(const std::string& path);

    static bool Exists();
    static bool ExistsAt(const std::string& path);

    // Returns the file's first lines (at most kLinesUsed, fewer when the file
    // has fewer), without interpreting them. Throws EFOpenError when the file
    // is missing or is not an alarm file. `bytesRead`, when given, receives
    // the number of bytes read from the file.
    static std::vector<std::string> Load();
    static std::vector<std::string> LoadFrom(const std::string& path, std::uint64_t* bytesRead = nullptr);

    // The file's exact bytes for the two texts.
    static std::string Encode(const std::string& alarmText, const std::string& soundPath);

    // Splits a byte stream into lines the way a settings file is read back: a
    // line ends at CR LF, at a lone CR or at a lone LF, and a last line without
    // an end still counts (an empty input has no lines; an input that ends with
    // a line end has no empty line after it). Bytes are kept as they are,
    // NUL bytes included.
    //
    // It is bounded so that a huge or hostile input costs a fixed amount of
    // memory and reading: a line longer than maxLineBytes keeps only its first
    // maxLineBytes bytes (the rest of it, up to its end, is skipped), and once
    // maxLines lines are complete it accepts no more input.
    //
    // Input may arrive in chunks of any size; the result does not depend on how
    // the input is cut.
    class LineSplitter {
    public:
        LineSplitter(std::size_t maxLines, std::size_t maxLineBytes) : FMaxLines(maxLines), FMaxLineBytes(maxLineBytes)
        {
        }

        // Consumes bytes from the front of `data` and returns how many it
        // consumed; fewer than data.size() only once Done().
        std::size_t Feed(std::string_view data);

        // True once maxLines lines are complete; further input is not needed.
        bool Done() const { return FLines.size() >= FMaxLines; }

        // Ends the input: a pending line without an end becomes the last line.
        // Returns the lines (at most maxLines of them).
        std::vector<std::string> Finish();

    private:
        void EndLine();

        std::size_t FMaxLines;
        std::size_t FMaxLineBytes;
        std::vector<std::string> FLines;
        std::string FCurrent;
        bool FInLine = false;   // bytes of an unfinished line have been seen
        bool FAfterCR = false;  // the last byte was a CR; an LF now belongs to it
    };
};
