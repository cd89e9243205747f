// regcomplete-check --decode ADDRESS: its argument, for RunDecode (decode_command.h).
#include "check_modes.h"
#include "decode_command.h"

int DecodeMode(int argc, char** argv, int first) {
    if (argc != first + 1) return Usage("--decode takes one address");
    return RunDecode(argv[first]);
}
