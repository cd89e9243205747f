#include "launch/session_win32.h"

#include <windows.h>

static_assert(static_cast<int>(ElevationType::kDefault) == TokenElevationTypeDefault &&
                  static_cast<int>(ElevationType::kFull) == TokenElevationTypeFull &&
                  static_cast<int>(ElevationType::kLimited) == TokenElevationTypeLimited,
              "ElevationType mirrors TOKEN_ELEVATION_TYPE");

namespace {

bool StationIsVisible() {
    USEROBJECTFLAGS flags = {};
    HWINSTA station = GetProcessWindowStation();
    if (station == nullptr ||
        !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr))
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

// Where the platform cannot tell, the session counts as a user's, as the station counts as seen.
unsigned long SessionOfThisProcess() {
    DWORD session = 0;
    return ProcessIdToSessionId(GetCurrentProcessId(), &session) ? session : 1;
}

// The SID of `token`'s user, into `buffer`.
PSID UserOf(HANDLE token, TOKEN_USER* buffer, DWORD buffer_size) {
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, buffer_size, &size)) return nullptr;
    return buffer->User.Sid;
}

// The largest TOKEN_USER: the structure and a SID of the most sub-authorities.
union TokenUserBuffer {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
};

}  // namespace

SessionFacts ReadSessionFacts() {
    SessionFacts session = {};
    session.station_visible = StationIsVisible();
    session.session_id = SessionOfThisProcess();
    session.elevated = true;
    session.elevation_type = ElevationType::kFull;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return session;
    TOKEN_ELEVATION elevation = {};
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeFull;
    DWORD size = 0;
    if (GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
        GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size)) {
        session.elevated = elevation.TokenIsElevated != 0;
        session.elevation_type = static_cast<ElevationType>(type);
    }
    CloseHandle(token);
    return session;
}

bool ShellIsThisUser() {
    HWND shell_window = GetShellWindow();
    DWORD process_id = 0;
    if (shell_window == nullptr || GetWindowThreadProcessId(shell_window, &process_id) == 0)
        return false;
    HANDLE shell_process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
    if (shell_process == nullptr) return false;
    HANDLE shell_token = nullptr;
    HANDLE own_token = nullptr;
    TokenUserBuffer shell_user;
    TokenUserBuffer own_user;
    bool same = false;
    if (OpenProcessToken(shell_process, TOKEN_QUERY, &shell_token) &&
        OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own_token)) {
        PSID shell_sid = UserOf(shell_token, &shell_user.user, sizeof shell_user);
        PSID own_sid = UserOf(own_token, &own_user.user, sizeof own_user);
        same = shell_sid != nullptr && own_sid != nullptr && EqualSid(shell_sid, own_sid);
    }
    if (own_token != nullptr) CloseHandle(own_token);
    if (shell_token != nullptr) CloseHandle(shell_token);
    CloseHandle(shell_process);
    return same;
}
