// GoogleTest's Notification as a Win32 event: manual reset, so that it stays signalled.
#include "gtest_notification_win32.h"

#include <windows.h>

namespace testing {
namespace internal {

Notification::Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
Notification::~Notification() {
    CloseHandle(event_);
}
void Notification::Notify() {
    SetEvent(event_);
}
void Notification::WaitForNotification() {
    WaitForSingleObject(event_, INFINITE);
}

}  // namespace internal
}  // namespace testing
