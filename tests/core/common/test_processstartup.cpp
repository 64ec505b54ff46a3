// Both programs' start-up turns core dumps off: checked in a forked child that
// runs the start-up function and reads the limits back.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/ProcessStartup.h"

TEST(ProcessStartup, CoreDumpsAreOff)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit some{RLIM_INFINITY, RLIM_INFINITY};
        ::setrlimit(RLIMIT_CORE, &some); // may be refused; the start-up must lower it anyway
        zerath::ProcessStartup();
        rlimit core{};
        ::getrlimit(RLIMIT_CORE, &core);
        const bool off = core.rlim_cur == 0 && core.rlim_max == 0 && ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0;
        ::_exit(off ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
