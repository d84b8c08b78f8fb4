#include "platform/win32/event_log.h"

#include <string>
#include <windows.h>

#include "platform/win32/win32_text.h"

namespace davev {

void writeEventLog(std::string_view text)
{
    HANDLE source = RegisterEventSourceW(nullptr, L"DA-VEV");
    if (source == nullptr)
        return;
    const std::wstring line = widen(text);
    const wchar_t* strings[] = {line.c_str()};
    ReportEventW(source, EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}

} // namespace davev
