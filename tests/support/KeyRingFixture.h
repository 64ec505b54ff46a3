#pragma once
// A program folder whose key ring holds keys imported from the committed key
// files under tests/data/keys (2048-bit pairs made once with the program's own
// key generation; see the README there).
#include <string>
#include <vector>

#include "TempDir.h"

namespace zerath::test {

enum class TestKey { AlicePublic, AlicePair, BobPublic, BobPair, CarolPublic };
inline constexpr const char* kAlicePassphrase = "correct horse battery";
inline constexpr const char* kBobPassphrase = "bob battery staple";
std::string keyFileOf(TestKey k); // the committed file's full path

class KeyRingFixture {
public:
    // The keys are imported in the order given, through the key manager.
    explicit KeyRingFixture(const std::vector<TestKey>& keys = {TestKey::AlicePublic, TestKey::AlicePair});
    const std::string& home() const { return dir_.path(); }
    std::string file(const std::string& name) const { return dir_.file(name); }
    std::string ringText() const { return readFile(file("ZerathKeys.db")); }
    // The key ID the key got at import (a key must have been imported).
    const std::string& idOf(TestKey k) const { return ids_[static_cast<int>(k)]; }

private:
    TempDir dir_;
    std::string ids_[5];
};

} // namespace zerath::test
