#include "filecrypt/SessionKey.h"

#include "common/Error.h"
#include "keyring/KeyRules.h"
#include "symcrypto/FieldProtection.h"
#include "pubkey/BigInt.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/PublicKey.h"
#include "pubkey/SecretHex.h"
#include "symcrypto/Crc32.h"

#include <atomic>
#include <optional>

namespace zerath {

std::uint32_t KeyCheckValue(std::string_view exponentE, std::string_view modulusN)
{
    SecureString text;
    text.reserve(exponentE.size() + modulusN.size());
    text.append(exponentE.data(), exponentE.size());
    text.append(modulusN.data(), modulusN.size());
    std::uint32_t crc = 0;
    CalcCRC32(text, crc);
    return crc;
}

namespace {

// A record's numbers in clear: the public ones under the fixed protection
// passphrase, the private exponent (when a passphrase is given) under that.
struct ClearNumbers {
    SecureString n;
    SecureString e;
    SecureString d;
};

ClearNumbers clearNumbersOf(const KeyRecord& record, std::optional<std::string_view> passphrase = std::nullopt)
{
    const std::string_view fixed = FixedProtectionPassphrase();
    ClearNumbers c{UnprotectField(record.ModulusN, fixed), UnprotectField(record.ExponentE, fixed), {}};
    if (passphrase) c.d = UnprotectField(record.ExponentD, *passphrase);
    return c;
}

// The private key of clear numbers; the private exponent is read by the
// constant-time reader.
TPrivateKey privateKeyOf(const ClearNumbers& c)
{
    return TPrivateKey(TBigint::CreateFromKeyText(c.e), TBigint::CreateFromKeyText(c.n), CreateFromSecretHex(c.d));
}

// A record's protected ExponentD does not change while a batch runs.
std::string cacheName(const KeyRecord& r) { return r.KeyID + "|" + r.ModulusN + "|" + r.ExponentE; }

std::atomic<int> recipientKeysMade{0};

} // namespace

RecipientKey::RecipientKey(const KeyRecord& record)
{
    CheckRecipientRecord(record);
    const ClearNumbers c = clearNumbersOf(record);
    key_ = TPublicKey(TBigint::CreateFromKeyText(c.e), TBigint::CreateFromKeyText(c.n));
    checkValue_ = KeyCheckValue(c.e, c.n);
    ++recipientKeysMade;
}

void RecipientKey::wrap(std::string_view sessionKeyText, std::uint32_t& checkValue, std::string& wrappedKey) const
{
    wrappedKey = key_.Encrypt(sessionKeyText);
    checkValue = checkValue_;
}

int RecipientKey::made() { return recipientKeysMade; }

std::shared_ptr<const RecipientKey> RecipientCache::open(const KeyRecord& record)
{
    const std::string name = cacheName(record);
    std::lock_guard<std::mutex> g(lock_);
    std::shared_ptr<const RecipientKey>& key = keys_[name];
    if (!key) {
        try {
            key = std::make_shared<const RecipientKey>(record);
        } catch (...) {
            keys_.erase(name);
            throw;
        }
    }
    return key;
}

void DecryptSymKey(const KeyRecord& record, std::string_view wrappedKey, std::string_view passphrase,
                   std::uint32_t& checkValue, SecureString& sessionKeyText)
{
    const ClearNumbers c = clearNumbersOf(record, passphrase);
    // A wrapped key is written without leading zeros and is below the modulus,
    // so its text is never longer than the modulus text. A longer one (up to 64 KiB
    // in a crafted header) is refused before any exponentiation.
    if (wrappedKey.size() > c.n.size()) throw Error("RSA Decryption Error");

    SecureString keyText = privateKeyOf(c).Decrypt(wrappedKey);
    checkValue = KeyCheckValue(c.e, c.n);
    sessionKeyText = std::move(keyText);
}

struct KeyPairCache::Entry {
    std::uint32_t checkValue = 0;
    std::size_t modulusDigits = 0;
    std::unique_ptr<TPrivateKey> key;
};

struct KeyPairCache::State {
    std::mutex lock;
    std::mutex opening;
    // By the record's KeyID and protected ModulusN and ExponentE texts.
    std::map<std::string, std::shared_ptr<const Entry>> entries;
};

KeyPairCache::KeyPairCache() : state_(std::make_unique<State>()) {}
KeyPairCache::~KeyPairCache() = default;

bool KeyPairCache::knows(const KeyRecord& record) const
{
    std::lock_guard<std::mutex> g(state_->lock);
    return state_->entries.count(cacheName(record)) != 0;
}

void KeyPairCache::DecryptSymKey(const KeyRecord& record, std::string_view wrappedKey, std::string_view passphrase,
                                 std::uint32_t& checkValue, SecureString& sessionKeyText)
{
    const std::string name = cacheName(record);
    const auto known = [&] {
        std::lock_guard<std::mutex> g(state_->lock);
        const auto found = state_->entries.find(name);
        return found != state_->entries.end() ? found->second : nullptr;
    };
    std::shared_ptr<const Entry> entry = known();
    // Files worked on side by side: one opens the key pair, the others wait for it.
    std::unique_lock<std::mutex> opening(state_->opening, std::defer_lock);
    if (!entry) {
        opening.lock();
        entry = known();
    }
    if (!entry) {
        const ClearNumbers c = clearNumbersOf(record, passphrase);
        auto made = std::make_shared<Entry>();
        made->key = std::make_unique<TPrivateKey>(privateKeyOf(c));
        made->key->PrepareCrt(); // without the primes the plain road serves
        made->checkValue = KeyCheckValue(c.e, c.n);
        made->modulusDigits = c.n.size();
        std::lock_guard<std::mutex> g(state_->lock);
        entry = state_->entries.emplace(name, std::move(made)).first->second;
    }
    if (wrappedKey.size() > entry->modulusDigits) throw Error("RSA Decryption Error");
    sessionKeyText = entry->key->Decrypt(wrappedKey);
    checkValue = entry->checkValue;
}

bool CheckPrivatePassphrase(const KeyRecord& record, std::string_view passphrase)
{
    try {
        (void)privateKeyOf(clearNumbersOf(record, passphrase));
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace zerath

namespace zerath {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

SecureString sessionKeyText(const std::uint8_t* p, std::size_t n)
{
    static const char digits[] = "0123456789ABCDEF";
    SecureString s;
    s.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        s.push_back(digits[p[i] >> 4]);
        s.push_back(digits[p[i] & 15]);
    }
    return s;
}

SecureBytes sessionKeyBytes(std::string_view text)
{
    if (text.empty() || text.size() > 64) throw Error("Invalid session key");
    SecureString padded(std::string(64 - text.size(), '0'));
    padded.append(text.data(), text.size());
    SecureBytes key(32);
    for (std::size_t i = 0; i < 32; ++i) {
        const int hi = hexValue(padded[2 * i]);
        const int lo = hexValue(padded[2 * i + 1]);
        if (hi < 0 || lo < 0) throw Error("Invalid session key");
        key[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return key;
}

} // namespace zerath
