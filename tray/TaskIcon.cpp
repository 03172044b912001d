#include "tray/TaskIcon.h"

void TTaskIcon::SetHint(const std::string& value)
{
    const std::string cut = value.substr(0, MaxHint);
    if (cut == FHint)
        return;
    FHint = cut;
}
