#pragma once

#include <string>

// The start-with-logon marker: its presence means start with logon is on.
// It holds the four bytes "null" with no line end; its contents are never
// read, so an empty file counts as well. Like the alarm file, only a regular
// file at that name counts; a link or other entry planted there is not a
// marker, is never written through, and Delete() removes only the name.
//
// The functions without a path work on SystemDirectory::MarkerFilePath(),
// computed afresh at each call.
class MarkerFile {
public:
    // Creates or replaces the marker; throws EFCreateError with its path when
    // it cannot.
    static void Write();
    static void WriteAt(const std::string& path);

    // Removes the marker if it is there; a failure is not reported.
    static void Delete();
    static void DeleteAt(const std::string& path);

    static bool Exists();
    static bool ExistsAt(const std::string& path);
};
