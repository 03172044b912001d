#include "TimeText.h"

#include <clocale>
#include <langinfo.h>
#include <locale.h>

std::optional<std::string> timeText(const std::string& locale, std::time_t when)
{
    locale_t loc = newlocale(LC_ALL_MASK, locale.c_str(), nullptr);
    if (!loc)
        return std::nullopt;
    std::tm local{};
    localtime_r(&when, &local);
    char buf[128];
    size_t n = strftime_l(buf, sizeof buf, nl_langinfo_l(T_FMT, loc), &local, loc);
    freelocale(loc);
    return std::string(buf, n);
}

bool localeInstalled(const std::string& locale)
{
    locale_t loc = newlocale(LC_ALL_MASK, locale.c_str(), nullptr);
    if (!loc)
        return false;
    freelocale(loc);
    return true;
}
