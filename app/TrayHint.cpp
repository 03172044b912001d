#include "app/TrayHint.h"

#include "tray/String64.h"

namespace TrayHint {

std::string Refresh(bool armed, std::string_view alarmText)
{
    if (!armed)
        return "Disable";
    std::string text = "AlarmTime:";
    text.append(alarmText);
    text.resize(String64::Cut(text).size());
    return text;
}

std::string Immediate(bool armed, std::string_view alarmText)
{
    if (!armed)
        return "Disable";
    return std::string(String64::Cut(alarmText));
}

}  // namespace TrayHint
