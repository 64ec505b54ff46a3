// Both programs' start-up turns core dumps off, and a write to a closed pipe
// fails instead of ending the process: a forked child runs it and checks.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "pubkey/ProcessStartup.h"

TEST(ProcessStartup, CoreDumpsAreOff)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        zerath::ProcessStartup();
        int ends[2];
        if (::pipe(ends) != 0 || ::close(ends[0]) != 0 || ::write(ends[1], "x", 1) != -1 || errno != EPIPE) ::_exit(2);
        rlimit core{1, 1};
        ::getrlimit(RLIMIT_CORE, &core);
        ::_exit(core.rlim_cur == 0 && core.rlim_max == 0 && ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
