#pragma once
// What a file command needs to run: Alice's keys in a key ring, a work folder
// and a scripted interface.
#include "TestUi.h"
#include "filecrypt/FileCommands.h"
#include "keyring/KeyRing.h"

namespace zerath::test {

struct FileRig {
    KeyRingFixture keys;
    TempDir work;
    KeyRing ring{keys.home()};
    ScriptedUi ui;
    std::string recipient = keys.idOf(TestKey::AlicePublic), pair = keys.idOf(TestKey::AlicePair);

    explicit FileRig(const std::vector<TestKey>& k = {TestKey::AlicePublic, TestKey::AlicePair}) : keys(k) { ring.DBOpen(); }
    EncryptOptions to(const std::string& source = {}, int cipher = 0, int level = 1, std::size_t piece = 0) const
    {
        EncryptOptions o;
        o.keyId = recipient, o.sourcePath = source, o.cipherIndex = cipher, o.compressionIndex = level;
        o.pieceSize = piece;
        return o;
    }
    FileCommandResult decrypt(const std::string& path, std::size_t piece = 0)
    {
        return DecryptFile(ring, DecryptOptions{pair, path, piece}, ui);
    }
};

} // namespace zerath::test
