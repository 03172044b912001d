#include "app/TrayHint.h"

#include "tray/String64.h"

namespace TrayHint {

std::string Refresh(bool armed, std::string_view alarmText)
{
    if (!armed)
        return "Disable";
    std::string text = "AlarmTime:" + std::string(alarmText);
    text.resize(String64::Cut(text).size());
    return text;
}

std::string Immediate(bool armed, std::string_view alarmText)
{
    return armed ? std::string(String64::Cut(alarmText)) : "Disable";
}

}  // namespace TrayHint
