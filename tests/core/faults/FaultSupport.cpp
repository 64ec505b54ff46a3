#include "FaultSupport.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"

namespace zerath::test {

void makeAliceKeyRing(const std::string& folder, bool withPublic)
{
    {
        KeyRing table(folder);
        table.DBOpen(KeyRing::MissingFile::Create);
        table.Close();
    }
    KeyManager manager(folder);
    manager.Open();
    const auto pub = withPublic
                         ? manager.ImportKey(dataPath("keys/alice-public.akf"), [](SecureString&) { return false; })
                         : std::optional<std::string>(kAlicePublicId);
    const auto priv = manager.ImportKey(dataPath("keys/alice-private.akf"), [](SecureString& p) {
        p = SecureString(std::string(kAlicePassphrase));
        return true;
    });
    manager.Close();
    ASSERT_EQ(pub.value_or(""), kAlicePublicId);
    ASSERT_EQ(priv.value_or(""), kAlicePrivateId);
}

std::vector<FaultCase> faultCases(std::int64_t total, int maxSyncs, int maxRenames)
{
    std::vector<FaultCase> cases;
    std::vector<std::int64_t> sizes{0, 1, total / 2, total - 1};
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    for (std::int64_t n : sizes) {
        if (n < 0 || n >= total) continue;
        FaultPlan p;
        p.failAfterBytes = n;
        cases.push_back({"after " + std::to_string(n) + " of " + std::to_string(total) + " bytes", p, "Disk full"});
    }
    for (int i = 0; i < maxSyncs; ++i) {
        FaultPlan p;
        p.failOnSync = i;
        cases.push_back({"sync " + std::to_string(i), p, "I/O error 5"});
    }
    for (int i = 0; i < maxRenames; ++i) {
        FaultPlan p;
        p.failOnRename = i;
        cases.push_back({"rename " + std::to_string(i), p, "I/O error 5"});
    }
    return cases;
}

std::int64_t bytesWrittenBy(const std::function<void(const std::string&)>& prepare,
                            const std::function<void(const std::string&)>& run)
{
    TempDir dir;
    prepare(dir.path());
    FaultGuard guard(FaultPlan{});
    run(dir.path());
    return FaultInjection::bytesWritten();
}

} // namespace zerath::test
