// The tokens the tests start programs with: a standard user's (Limited) and an administrator's
// installer's (Full), each the driver's own token or its linked one, whichever has that type
// (token_choice.h), so that the same cases run under every Wine.
#pragma once

#include <windows.h>

#include "token_choice.h"

// For CreateProcessAsUser: true with `*token` null for the driver's own token, or with its
// linked token as a primary one, kept for the life of the process; false when neither has the
// type `wanted`.
inline bool TokenOfType(ElevationType wanted, HANDLE* token) {
    static HANDLE linked_primary = nullptr;
    *token = nullptr;
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) return false;
    TOKEN_ELEVATION_TYPE own_type = TokenElevationTypeDefault;
    TOKEN_ELEVATION_TYPE linked_type = TokenElevationTypeDefault;
    TOKEN_LINKED_TOKEN linked = {};
    DWORD size = 0;
    bool has_own = GetTokenInformation(own, TokenElevationType, &own_type, sizeof own_type, &size);
    bool has_linked = GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size) &&
                      GetTokenInformation(linked.LinkedToken, TokenElevationType, &linked_type,
                                          sizeof linked_type, &size);
    CloseHandle(own);
    TokenPick pick = has_own ? ChooseToken(wanted, static_cast<ElevationType>(own_type), has_linked,
                                           static_cast<ElevationType>(linked_type))
                             : TokenPick::kNone;
    if (pick == TokenPick::kLinked && linked_primary == nullptr &&
        !DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, nullptr, SecurityImpersonation,
                          TokenPrimary, &linked_primary))
        linked_primary = nullptr;
    if (linked.LinkedToken != nullptr) CloseHandle(linked.LinkedToken);
    if (pick == TokenPick::kLinked) *token = linked_primary;
    return pick == TokenPick::kOwn || (pick == TokenPick::kLinked && *token != nullptr);
}
