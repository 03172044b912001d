#include "settings/MarkerFile.h"

#include "settings/FileErrors.h"
#include "settings/StateFile.h"
#include "settings/SystemDirectory.h"

void MarkerFile::Write()
{
    WriteAt(SystemDirectory::MarkerFilePath());
}

void MarkerFile::WriteAt(const std::string& path)
{
    if (StateFile::Replace(path, "null") != 0)
        throw EFCreateError(path);
}

void MarkerFile::Delete()
{
    DeleteAt(SystemDirectory::MarkerFilePath());
}

void MarkerFile::DeleteAt(const std::string& path)
{
    StateFile::Remove(path);
}

bool MarkerFile::Exists()
{
    return ExistsAt(SystemDirectory::MarkerFilePath());
}

bool MarkerFile::ExistsAt(const std::string& path)
{
    return StateFile::IsRegularFile(path);
}
