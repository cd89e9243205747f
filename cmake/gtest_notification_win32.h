// GoogleTest's Notification (a one-shot signal between threads), for mingw-w64's win32 thread
// model, whose standard library lacks the std::mutex GoogleTest makes it of. A Win32 event
// (gtest_notification_win32.cpp); this header, forced ahead of GoogleTest's by
// cmake/gtest_i686.cmake, keeps windows.h out of the tests.
#pragma once

namespace testing {
namespace internal {

class Notification {
public:
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify();
    void WaitForNotification();

private:
    void* event_;
};

}  // namespace internal
}  // namespace testing
