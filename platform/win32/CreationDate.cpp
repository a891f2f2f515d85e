// The creation-date text on Windows: the local time as an OLE date, turned
// into text by the user's locale, in the ANSI code page.
#include "../Platform.h"

#include <windows.h>
#include <oleauto.h>

#include <ctime>
#include <time.h>

namespace platform {

namespace {

constexpr const char* kInvalid = "Invalid DateTime";

// The user's default locale; VarBstrFromDate formats with its short date
// and long time.
constexpr LCID kUserDefaultLocale = 0x0400;

std::string Narrow(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string narrow(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, &narrow[0], size, nullptr, nullptr) != size)
        return std::string();
    narrow.resize(static_cast<std::size_t>(size - 1));
    return narrow;
}

} // namespace

std::string CreationDateText() {
    __time64_t now = 0;
    _time64(&now);
    const struct tm* local = _localtime64(&now);
    if (!local)
        return kInvalid;
    SYSTEMTIME time = {};
    time.wYear = static_cast<WORD>(local->tm_year + 1900);
    time.wMonth = static_cast<WORD>(local->tm_mon + 1);
    time.wDayOfWeek = static_cast<WORD>(local->tm_wday);
    time.wDay = static_cast<WORD>(local->tm_mday);
    time.wHour = static_cast<WORD>(local->tm_hour);
    time.wMinute = static_cast<WORD>(local->tm_min);
    time.wSecond = static_cast<WORD>(local->tm_sec);
    DATE date = 0;
    if (!SystemTimeToVariantTime(&time, &date))
        return kInvalid;
    BSTR text = nullptr;
    if (FAILED(VarBstrFromDate(date, kUserDefaultLocale, 0, &text)) || !text)
        return kInvalid;
    std::string narrow = Narrow(text);
    SysFreeString(text);
    if (narrow.empty())
        return kInvalid;
    // One line: a control character would end the comment early.
    for (char& c : narrow)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return narrow;
}

} // namespace platform
