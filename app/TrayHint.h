#pragma once

#include <string>
#include <string_view>

// The tray hint that tells the alarm state, from "armed" and the alarm text;
// both rules give at most 64 characters.
namespace TrayHint {

// Every clock tick: "AlarmTime:" and the alarm text when armed, otherwise "Disable".
std::string Refresh(bool armed, std::string_view alarmText);

// On start, on arming and disarming, and on hiding into the tray: the alarm
// text alone when armed, otherwise "Disable". The next tick replaces it.
std::string Immediate(bool armed, std::string_view alarmText);

}  // namespace TrayHint
