// Where the process looks for the DLLs it loads after start-up.
#pragma once

// Makes System32 the only folder searched for a DLL loaded by name from now on, so that a DLL
// planted beside the program (uxtheme.dll, which the themed controls load and which is not a
// KnownDLL) is never loaded in place of the system's. The first call of the program and of the
// check tool. SetDefaultDllDirectories is looked up at run time: Windows Vista, and Windows 7
// without update KB2533623, lack it, and there the program starts as before. Programs are no DLLs:
// the launchers name Notepad, shell32 and ole32 by their full System32 paths themselves.
void LoadSystemDllsFromSystem32Only();
