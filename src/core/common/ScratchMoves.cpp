#include "common/ScratchMoves.h"

#include <fcntl.h>
#include <stdio.h>

#include <atomic>
#include <climits>
#include <cstring>

namespace zerath {

namespace {

struct Slot {
    std::atomic<int> state{0}; // 0 free, 1 being filled, 2 live
    char scratch[PATH_MAX] = {};
    char original[PATH_MAX] = {};
};

constexpr int kSlots = 8;
Slot g_slots[kSlots];

} // namespace

int ScratchMoves::add(const char* scratch, const char* original) noexcept
{
    if (std::strlen(scratch) >= PATH_MAX || std::strlen(original) >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (!g_slots[i].state.compare_exchange_strong(expected, 1)) continue;
        std::strcpy(g_slots[i].scratch, scratch);
        std::strcpy(g_slots[i].original, original);
        g_slots[i].state.store(2);
        return i;
    }
    return -1;
}

void ScratchMoves::remove(int slot) noexcept
{
    if (slot >= 0 && slot < kSlots) g_slots[slot].state.store(0);
}

void ScratchMoves::restoreAll() noexcept
{
    for (Slot& s : g_slots)
        if (s.state.load() == 2) ::renameat2(AT_FDCWD, s.scratch, AT_FDCWD, s.original, RENAME_NOREPLACE);
}

} // namespace zerath
