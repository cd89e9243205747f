// The token a standard user's installer has, for starting programs under Wine, which gives every
// process an elevated one: the linked, limited token of the caller's own, as a primary token.
#pragma once

#include <windows.h>

// Null when there is none; kept for the life of the process.
inline HANDLE LimitedToken() {
    static HANDLE limited = nullptr;
    if (limited != nullptr) return limited;
    HANDLE own = nullptr;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = 0;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own) &&
        GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size)) {
        if (!DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation,
                              TokenPrimary, &limited))
            limited = nullptr;
        CloseHandle(linked.LinkedToken);
    }
    if (own != nullptr) CloseHandle(own);
    return limited;
}
