#pragma once
// A hand-edited key ring: a copy of an imported key's record, changed by the
// caller, appended under the KeyID "0BADC0DE" through the key ring's own insert.
#include <functional>
#include <stdexcept>

#include "KeyRingFixture.h"
#include "keyring/KeyRing.h"

namespace zerath::test {

inline constexpr const char* kEditedKeyId = "0BADC0DE";

inline void insertEditedCopy(const KeyRingFixture& ring, TestKey from, const std::function<void(KeyRecord&)>& edit)
{
    KeyRing keys(ring.home());
    keys.DBOpen();
    if (!keys.SearchDB("KeyID", ring.idOf(from))) throw std::runtime_error("no such key");
    KeyRecord copy = keys.CurrentRecord();
    copy.KeyID = kEditedKeyId;
    edit(copy);
    keys.InsertNewRecord(copy);
}

} // namespace zerath::test
