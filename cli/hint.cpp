#include "cli/hint.h"

namespace cli {

void PrintNothingFoundHint(std::FILE* err)
{
    // The firewall comes first: on a desktop it is the usual cause, since an answer to a
    // broadcast matches no connection a stateful firewall knows.
    std::fputs(
        "Nothing found? A firewall may drop the answers (let in UDP from port 1638), or the\n"
        "adapters are on another segment, behind a VPN or off: see \"Nothing found?\" in "
        "the README.\n",
        err);
}

}  // namespace cli
