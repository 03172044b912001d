#pragma once

#include <cstdint>
#include <functional>
#include <string>

class QObject;

enum class TStateTaskIcon : std::uint8_t { tiEnabled = 0, tiDisabled = 1, tiAnimated = 2 };
enum class TWhereTaskIcon : std::uint8_t { tiInFiles = 0, tiInExe = 1 };

// The tray icon's properties as the main window sets them. Each setter
// compares with the current value and does nothing on equality. Showing
// the icon in a notification area is not done here yet: Active records
// the request only.
class TTaskIcon {
public:
    using TNotifyEvent = std::function<void(TTaskIcon* sender)>;
    using TMouseEvent = std::function<void(TTaskIcon* sender, int button, int shift, int x, int y)>;

    static constexpr std::size_t MaxHint = 64;

    bool Active() const { return FActive; }
    void SetActive(bool value) { FActive = value; }

    const std::string& Hint() const { return FHint; }
    // Keeps the first 64 characters.
    void SetHint(const std::string& value);

    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value) { FShowHint = value; }

    std::uint32_t TaskIconID() const { return FTaskIconID; }
    void SetTaskIconID(std::uint32_t value) { FTaskIconID = value; }

    TStateTaskIcon State() const { return FState; }
    void SetState(TStateTaskIcon value) { FState = value; }

    std::uint32_t Interval() const { return FInterval; }
    void SetInterval(std::uint32_t value) { FInterval = value; }

    TWhereTaskIcon WhereIcons = TWhereTaskIcon::tiInFiles;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnRightClick;

private:
    bool FActive = false;
    std::string FHint;
    bool FShowHint = false;
    std::uint32_t FTaskIconID = 0;
    TStateTaskIcon FState = TStateTaskIcon::tiEnabled;
    std::uint32_t FInterval = 1000;
};
