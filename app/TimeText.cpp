#include "app/TimeText.h"

#include <langinfo.h>

std::size_t TimeText(std::time_t when, char* buffer, std::size_t size)
{
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr || size == 0)
        return 0;
    const char* format = nl_langinfo(T_FMT);
    if (format == nullptr || *format == '\0')
        format = "%H:%M:%S";
    return std::strftime(buffer, size, format, &local);
}

std::string TimeText(std::time_t when)
{
    char buffer[128];
    return std::string(buffer, TimeText(when, buffer, sizeof buffer));
}
