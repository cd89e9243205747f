// Identifiers shared by the resource script and the dialog procedure.
#pragma once

#define IDI_REGCOMPLETE 1  // the program's icon, the first icon group so Explorer shows it

#define IDC_INFO 1000
#define IDC_REGIST_PLAIN 1001
#define IDC_REGIST_SSL 1002
#define IDC_README 1003
// The labels, which the program never addresses; Windows' resource headers define it the same.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
