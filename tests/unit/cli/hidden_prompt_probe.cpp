// The command line's password prompt alone, for the pseudo-terminal test: prints what it read.
#include <cstdio>

#include "cli/terminal.h"

int main()
{
    const auto line = cli::ReadHiddenLine("Password: ");
    if (line) {
        std::printf("read:%s\n", line->c_str());
    } else {
        std::printf("end of input\n");
    }
    return 0;
}
