// GoogleTest's Notification is built on std::mutex and std::condition_variable, which the win32-thread
// flavour of MinGW's C++ runtime lacks. This one, on a manual-reset event, takes its place; the build
// force-includes it into GoogleTest and the tests.
#pragma once

#ifdef __cplusplus
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
public:
    Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

} // namespace testing::internal
#endif
