#pragma once
// Files moved to a scratch name for the length of some work (a wipe): should
// the process be interrupted meanwhile, each goes back to its own name, never
// over a file that took that name since, so what is left shows as what it was.
namespace zerath {

class ScratchMoves {
public:
    // Registers a move; answers a slot, -1 when the table is full (the file
    // then keeps its scratch name if the process is interrupted).
    static int add(const char* scratch, const char* original) noexcept;
    static void remove(int slot) noexcept;
    // Moves every registered file back (no-replace); async-signal-safe.
    static void restoreAll() noexcept;
};

} // namespace zerath
