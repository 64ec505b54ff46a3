#include "pubkey/ProcessStartup.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <cstdint>

#include "common/Temporaries.h"
#include "pubkey/SystemRandom.h"

namespace zerath {

void ProcessStartup()
{
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);

    std::uint32_t seed = 0;
    osRandomBytes(&seed, sizeof seed);
    SetSystemRandomState(seed);

    installInterruptCleanup();
}

} // namespace zerath
