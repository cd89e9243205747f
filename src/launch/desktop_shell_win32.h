// Handing a launch to the desktop's shell: Explorer runs as the person at the desktop, so what it
// starts gets that person's own rights and browser, whatever rights this process has. The way
// browsers' own installers start the browser when they run elevated.
#pragma once

#include <windows.h>
// After windows.h:
#include <oleauto.h>

#include "launch/launch_plan.h"

// ole32 and oleaut32, loaded from System32 the first time a press needs the desktop's shell.
struct ComLibrary {
    bool tried;
    HRESULT(WINAPI* initialize)(void*, DWORD);
    void(WINAPI* uninitialize)();
    HRESULT(WINAPI* create_instance)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
    HRESULT(WINAPI* allow_set_foreground)(IUnknown*, void*);
    BSTR(WINAPI* allocate_string)(const OLECHAR*);
    void(WINAPI* free_string)(BSTR);
};

// One hand-over: the strings it carries (owned by it) and what became of it. It runs on a thread
// of its own, so that a shell that hangs cannot freeze the dialog; the dialog waits for it a
// bounded time, and a thread still hanging after that keeps its hand-over to itself.
struct DesktopHandOver {
    const ComLibrary* com;
    BSTR target;
    BSTR arguments;  // null for none
    BSTR directory;  // null for none
    bool started;
};

struct DesktopShell {
    ComLibrary com;
    HANDLE thread;  // the last hand-over's, until it has ended
    DesktopHandOver handover;
};

// Has the desktop's shell open the step's target with its arguments in its folder, shown
// normally, and lets it take the foreground. True only when the shell reports that it started
// something; false when there is no shell to ask (after a few tries over about a second: at
// logon the desktop may not be ready yet), when it started nothing, or when it has not answered
// within a few seconds, while the dialog keeps painting. An earlier hand-over that still hangs
// makes this one fail at once.
bool OpenWithDesktopShell(DesktopShell* shell, const LaunchStep& step);
