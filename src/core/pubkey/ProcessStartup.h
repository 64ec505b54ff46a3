#pragma once

namespace zerath {

// What both programs do before anything else:
//  - no core dumps: a dump taken during a command would hold the passphrase,
//    the session key and plaintext (RLIMIT_CORE 0, and the process is made
//    non-dumpable, which also keeps other processes of the user from reading
//    its memory through ptrace);
//  - the platform generator seeded from the operating system's random source,
//    so each run draws its own random cipher;
//  - SIGINT, SIGTERM and SIGHUP remove the live temporaries before the process
//    ends (a decryption's overwritten first), so an interrupt leaves no plaintext.
void ProcessStartup();

} // namespace zerath
