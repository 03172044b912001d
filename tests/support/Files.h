#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Whole files as bytes, for the tests.

// The file's bytes; throws when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);
// The file's bytes; nothing when it cannot be read.
std::optional<std::string> ReadBytesIfAny(const std::filesystem::path& path);
// Replaces the file's contents with `bytes`; throws when it cannot.
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
// Whether anything stands at the path, a dangling link included.
bool PathExists(const std::filesystem::path& path);
