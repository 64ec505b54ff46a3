#pragma once
// Temporaries: the files a writer fills before it renames them to their final
// name. They all carry one short name of their own, ".zerath-XXXXXX.tmp" in the
// output's folder, so any final name the file system accepts works; each writer
// holds an exclusive flock on its temporary for as long as it lives.
//
// A process-wide table of the live temporaries lets a terminating signal remove
// them before the process ends: the handler uses only what was prepared before.
// It first points the writer's descriptor at one that refuses writes (keeping a
// duplicate of its own), then removes the temporary by name, and only when that
// succeeded zeroes it through its duplicate up to the largest size the writer
// asked for: a commit that renamed it first keeps its output, and no write can
// land behind the zeros.
//
// A crash leaves its temporary behind; the next writer into that folder scrubs
// and removes it. A lock alone proves nothing (two views of one folder may lock
// in different domains), so a leftover is taken only when it has not changed for
// ten minutes, is a regular file of the user's with one link and can be locked
// without waiting; it is then moved to a fresh name (never over another file),
// checked again there, removed, and only then zeroed. A writer that was still
// alive finds its name gone and fails its commit instead of committing zeros.
#include <cstdint>
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
// The same up to at least atLeast bytes, however short the file is now.
void overwriteWithZeros(int fd, std::uint64_t atLeast) noexcept;

// How long a leftover stays untouched after its last change, in seconds.
constexpr long kStaleAfterSeconds = 600;

// Scrubs and removes what crashed writers left in folder (see above).
void removeStaleTemporaries(const std::string& folder) noexcept;

// The table of live temporaries. add answers a slot (-1 when the table is full:
// the temporary is then left to the next writer's clean-up); overwrite says
// whether it may hold deciphered data and is overwritten before removal.
class LiveTemporaries {
public:
    static int add(const std::string& path, int fd, bool overwrite) noexcept;
    static void remove(int slot) noexcept;
    // Says that the writer is about to write bytes [from, to) of the temporary.
    static void writing(int slot, std::uint64_t from, std::uint64_t to) noexcept;
    // Removes every live temporary (overwriting those that ask for it); their
    // writers then fail. Async-signal-safe.
    static void scrubAll() noexcept;
};

// Installs the handlers of every signal that ends a process (SIGINT, SIGTERM,
// SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU) that
// scrub the live temporaries and then end the process by the same signal; a
// signal the caller ignored stays ignored. SIGPIPE and SIGXFSZ are ignored, so
// that the write fails and the ordinary error path scrubs.
void installInterruptCleanup();

} // namespace zerath
