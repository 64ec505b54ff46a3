// Both programs' start-up turns core dumps off: a forked child runs it and
// reads the limits back.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "pubkey/ProcessStartup.h"

TEST(ProcessStartup, CoreDumpsAreOff)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        zerath::ProcessStartup();
        rlimit core{1, 1};
        ::getrlimit(RLIMIT_CORE, &core);
        ::_exit(core.rlim_cur == 0 && core.rlim_max == 0 && ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
