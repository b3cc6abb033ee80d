#include "cli/hint.h"

#include "platform/sockets/source_port.h"

namespace cli {

void PrintNothingFoundHint(std::FILE* err)
{
    // The firewall comes first: on a desktop it is the usual cause, since an answer to a
    // broadcast matches no connection a stateful firewall knows.
    std::fprintf(err,
                 "Nothing found? A firewall may drop the answers (let in UDP to ports %u-%u), or\n"
                 "the adapters are on another segment, behind a VPN or off: see \"Nothing "
                 "found?\" in the README (/usr/share/doc/dravmoor-quick-setup/README.md).\n",
                 unsigned{sockets::kSourcePortFirst}, unsigned{sockets::kSourcePortLast});
}

}  // namespace cli
