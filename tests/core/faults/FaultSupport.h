#pragma once
// Shared by the fault and limit tests: a home folder holding a key ring made
// from the committed test key pair (tests/data/keys), folder snapshots, and a
// runner that makes one write path fail in every planned way.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "TestHelpers.h"
#include "common/FileIO.h"
#include "filecrypt/FileCommandUi.h"

namespace zerath::test {

inline const char* const kAlicePassphrase = "correct horse battery";
inline const char* const kAlicePublicId = "F2F41F4C";  // Pub record of alice-public.akf
inline const char* const kAlicePrivateId = "3BA042F6"; // Pub/Priv record of alice-private.akf


// Writes a key ring with alice's public key (unless withPublic is false) and
// key pair into folder.
void makeAliceKeyRing(const std::string& folder, bool withPublic = true);

// Answers every question with yes and gives alice's passphrase.
class YesUi : public FileCommandUi {
public:
    bool confirmOverwrite(const std::string&) override { return true; }
    bool askPassphrase(SecureString& p) override
    {
        p = SecureString(std::string(kAlicePassphrase));
        return true;
    }
};

// One way of failing a write path.
struct FaultCase {
    std::string name;
    FaultPlan plan;
    std::string expectedFileError; // the runtime's text this failure gives
};

// The failures to try for a path that writes `totalBytes` bytes when it
// succeeds: after 0 bytes, after 1, half-way, one byte short; each sync and each
// rename in turn (up to maxSyncs and maxRenames; a plan that no longer fails
// ends its series).
std::vector<FaultCase> faultCases(std::int64_t totalBytes, int maxSyncs = 4, int maxRenames = 4);

// How many bytes a run writes when nothing fails (the run is done in a fresh
// folder prepared by `prepare`).
std::int64_t bytesWrittenBy(const std::function<void(const std::string&)>& prepare,
                            const std::function<void(const std::string&)>& run);

} // namespace zerath::test
