// Identifiers shared by the resource script and the dialog procedure.
#pragma once

#define IDI_REGCOMPLETE 1  // the program's icon, the first icon group so Explorer shows it

#define IDC_INFO 1000
#define IDC_REGIST_PLAIN 1001
#define IDC_REGIST_SSL 1002
#define IDC_README 1003
#define IDC_LABEL (-1)
