#pragma once
// Temporaries: the files a writer fills before it renames them to their final
// name. They all carry one short name of their own, ".zerath-XXXXXX.tmp" in the
// output's folder, so any final name the file system accepts works; each writer
// holds an exclusive flock on its temporary for as long as it lives.
//
// A process-wide table of the live temporaries lets an interrupt (SIGINT,
// SIGTERM, SIGHUP) remove them before the process ends: the handler uses only
// what was prepared before. A crash leaves its temporary behind; the next writer
// into that folder scrubs and removes it, but only a regular file of the pattern,
// owned by the user, with one link, that it can lock without waiting, so a
// temporary whose writer still runs is never touched.
#include <string>
#include <string_view>

namespace zerath {

// Whether a file's own name has the temporaries' pattern.
bool isTemporaryName(std::string_view name);

// Creates a new owner-only temporary in folder ("" for the current folder),
// locked, and answers its descriptor; path receives its name. Failures throw
// EFileError.
int createTemporary(const std::string& folder, std::string& path);

// Overwrites a file's content with zeros and flushes it; async-signal-safe.
void overwriteWithZeros(int fd) noexcept;

// Scrubs and removes what crashed writers left in folder (see above).
void removeStaleTemporaries(const std::string& folder) noexcept;

// The table of live temporaries. add answers a slot (-1 when the table is full:
// the temporary is then left to the next writer's clean-up); overwrite says
// whether it may hold deciphered data and is overwritten before removal.
class LiveTemporaries {
public:
    static int add(const std::string& path, int fd, bool overwrite) noexcept;
    static void remove(int slot) noexcept;
    // Removes every live temporary (overwriting those that ask for it); their
    // writers then fail. Async-signal-safe.
    static void scrubAll() noexcept;
};

// Installs the SIGINT, SIGTERM and SIGHUP handlers that scrub the live
// temporaries and then end the process by the same signal.
void installInterruptCleanup();

} // namespace zerath
