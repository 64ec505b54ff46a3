#pragma once
// A program folder whose key ring holds keys imported from the committed key
// files under tests/data/keys (2048-bit pairs made once with the program's own
// key generation; see the README there).
#include <vector>
#include <string>

#include "TempDir.h"

namespace zerath::test {

enum class TestKey { AlicePublic, AlicePair, BobPublic, BobPair, CarolPublic };

struct TestKeyInfo {
    const char* file;       // under tests/data/keys
    const char* passphrase; // of a private key file; empty for a public one
    const char* owner;
};
const TestKeyInfo& infoOf(TestKey k);
std::string keyFileOf(TestKey k); // the committed file's full path

inline constexpr const char* kAlicePassphrase = "correct horse battery";
inline constexpr const char* kBobPassphrase = "bob battery staple";

class KeyRingFixture {
public:
    // The keys are imported in the order given, through the key manager.
    explicit KeyRingFixture(const std::vector<TestKey>& keys = {TestKey::AlicePublic, TestKey::AlicePair});
    const std::string& home() const { return dir_.path(); }
    std::string file(const std::string& name) const { return dir_.file(name); }
    std::string ringPath() const { return dir_.file("ZerathKeys.db"); }
    std::string ringText() const; // the key ring file's bytes
    // The key ID the key got at import (a key must have been imported).
    const std::string& idOf(TestKey k) const { return ids_[static_cast<int>(k)]; }

private:
    TempDir dir_;
    std::string ids_[5];
};

} // namespace zerath::test
