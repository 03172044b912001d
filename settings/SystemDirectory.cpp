#include "settings/SystemDirectory.h"

#include <cstdlib>

#include "settings/DefaultSystemDirectory.h"
#include "settings/StateFile.h"

namespace {

std::string Join(const std::string& directory, const char* name)
{
    return directory + (directory.ends_with('/') ? "" : "/") + name;
}

}  // namespace

std::string SystemDirectory::Path()
{
    const char* fromEnvironment = std::getenv("ZUM_SYSTEM_DIR");
    std::string directory = fromEnvironment && *fromEnvironment ? fromEnvironment : ZUM_DEFAULT_SYSTEM_DIR;
    while (directory.size() > 1 && directory.back() == '/')
        directory.pop_back();
    return directory;
}

std::string SystemDirectory::AlarmFilePath()
{
    return Join(Path(), kAlarmFileName);
}

std::string SystemDirectory::MarkerFilePath()
{
    return Join(Path(), kMarkerFileName);
}

int SystemDirectory::RemoveStaleScratchFiles()
{
    return StateFile::RemoveStaleScratchFiles(Path(), {kAlarmFileName, kMarkerFileName});
}
