#include "tests/support/Files.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>

std::optional<std::string> ReadBytesIfAny(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadBytes(const std::filesystem::path& path)
{
    std::optional<std::string> bytes = ReadBytesIfAny(path);
    if (!bytes)
        throw std::runtime_error("cannot read " + path.string());
    return *std::move(bytes);
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!(out << bytes) || !out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

bool PathExists(const std::filesystem::path& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}
