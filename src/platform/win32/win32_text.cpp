#include "platform/win32/win32_text.h"

#include <windows.h>

namespace davev {

namespace {

std::wstring toUtf16(std::string_view text, UINT codePage)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string fromUtf16(std::wstring_view utf16, UINT codePage)
{
    if (utf16.empty())
        return {};
    const int size = static_cast<int>(utf16.size());
    const int length = WideCharToMultiByte(codePage, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, utf16.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

} // namespace

std::wstring widen(std::string_view utf8)
{
    return toUtf16(utf8, CP_UTF8);
}

std::string narrow(std::wstring_view utf16)
{
    return fromUtf16(utf16, CP_UTF8);
}

std::wstring widenAnsi(std::string_view ansi)
{
    return toUtf16(ansi, CP_ACP);
}

std::string narrowAnsi(std::wstring_view utf16)
{
    return fromUtf16(utf16, CP_ACP);
}

std::string systemErrorText(unsigned long code)
{
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr)
        return "Windows error " + std::to_string(code);
    std::wstring_view text(buffer, length);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.remove_suffix(1);
    std::string result = narrow(text);
    LocalFree(buffer);
    return result;
}

std::string systemErrorTextAnsi(unsigned long code)
{
    return narrowAnsi(widen(systemErrorText(code)));
}

} // namespace davev
