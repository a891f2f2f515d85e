// The creation-date text on POSIX: the local date and time of day in the
// conventions of the user's LC_TIME, without touching the process's locale.
#include "../Platform.h"

#include <clocale>
#include <ctime>
#include <mutex>
#include <locale.h>
#include <time.h>

namespace platform {

std::string CreationDateText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || !localtime_r(&now, &local))
        return "Invalid DateTime";
    // glibc shares loaded locale data between threads behind locks of its
    // own that thread checkers cannot see; one conversion at a time keeps
    // the reports of such checkers meaningful, at no cost worth counting.
    static Mutex localeLock;
    std::lock_guard<Mutex> hold(localeLock);
    locale_t userLocale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (!userLocale)
        userLocale = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    if (!userLocale)
        return "Invalid DateTime";
    char text[256];
    std::size_t length = strftime_l(text, sizeof text, "%c", &local, userLocale);
    freelocale(userLocale);
    if (length == 0)
        return "Invalid DateTime";
    // One line: a locale whose format held a control character would
    // otherwise end the comment early.
    for (std::size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(text[i]) < 0x20)
            text[i] = ' ';
    return std::string(text, length);
}

} // namespace platform
