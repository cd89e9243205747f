// regcomplete-check --show PROGRAM: its argument, for RunShow (stamp_command.h).
#include "check_modes.h"
#include "stamp_command.h"

int ShowMode(int argc, char** argv, int first) {
    int program = 0;
    if (TakeOperands(argc, argv, first, &program) != 1) return Usage("--show takes one program");
    static char16_t name[kWidePathSize];
    return RunShow(FileArgument(argv, program, name, kWidePathSize));
}
