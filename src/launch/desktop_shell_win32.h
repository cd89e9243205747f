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
// bounded time, and a thread still hanging after that keeps its hand-over to itself. It lives in
// the context that WinMain owns, which WinMain never leaves: the process ends with ExitProcess
// there, so that a thread still hanging never writes into a frame that is gone.
struct DesktopHandOver {
    const ComLibrary* com;
    BSTR target;
    BSTR arguments;  // null for none
    BSTR directory;  // null for none
    bool started;
};

// The hand-overs of one kind of button (the registration buttons, or README): a press of one kind
// never waits on the other's.
struct DesktopShell {
    HANDLE thread;  // the last hand-over's, until it has ended
    DesktopHandOver handover;
};

enum class HandOver {
    kStarted,      // the shell reports that it started something
    kNotStarted,   // no shell to ask (after a few tries over about a second: at logon the
                   // desktop may not be ready yet), or it started nothing
    kNotAnswered,  // the shell has it and has not answered in time: it may still start it
};

// True while the last hand-over of `shell` has not ended; the shell may still start what it has.
bool HandOverUnderWay(DesktopShell* shell);

// Has the desktop's shell open the step's target with its arguments in its folder, shown
// normally, and lets it take the foreground, while the dialog keeps painting. A hand-over still
// under way is not made again: it is reported as not answered.
HandOver OpenWithDesktopShell(ComLibrary* com, DesktopShell* shell, const LaunchStep& step);
