#pragma once
// Wrapping and unwrapping of a file's session key with the RSA key of a key
// ring record, and the main window's check of a private key passphrase. Each
// call acts on the record it is given (the caller finds it by KeyID first) and
// makes and releases its own cipher and key objects; the key ring is not changed.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "common/Secure.h"
#include "keyring/KeyRecord.h"
#include "pubkey/PublicKey.h"

namespace zerath {

// The key check value: CRC-32 of the clear ExponentE text followed by the clear
// ModulusN text. It names the key pair a file was made for.
std::uint32_t KeyCheckValue(std::string_view exponentE, std::string_view modulusN);

// A recipient's public key, unprotected, parsed and checked once, that wraps
// the session keys of any number of files, from any thread.
class RecipientKey {
public:
    // The checks of CheckRecipientRecord first, with its message: a record
    // whose numbers are no fit key raises UserMessage (ErrorBox) "The selected
    // key cannot be used for encryption."
    explicit RecipientKey(const KeyRecord& record);
    // Wraps the session key text (64 hexadecimal digits): m^e mod n as
    // base-16 text, with the key check value. Errors of the RSA operation
    // ("RSA Encryption Error") pass through.
    void wrap(std::string_view sessionKeyText, std::uint32_t& checkValue, std::string& wrappedKey) const;
    // Recipient keys made in this process so far, for the tests.
    static int made();

private:
    TPublicKey key_;
    std::uint32_t checkValue_ = 0;
};

// The recipients a batch encrypts to, each opened once for all its files. A
// record whose numbers differ (the key ring read again) is another recipient;
// a record that fails its checks is not kept, so each of its files fails alike.
// Safe to share between threads.
class RecipientCache {
public:
    std::shared_ptr<const RecipientKey> open(const KeyRecord& record);

private:
    std::mutex lock_;
    // By the record's KeyID and protected ModulusN and ExponentE texts.
    std::map<std::string, std::shared_ptr<const RecipientKey>> keys_;
};

// Unwraps with the record's private key (ExponentD unprotected with passphrase):
// c^d mod n as base-16 text without leading zeros. Gives the key check value.
// A wrapped text longer than the modulus text fails ("RSA Decryption Error")
// before any arithmetic.
// Errors of the parser, of the RSA operation ("RSA Decryption Error") and of the
// CRC table pass through.
void DecryptSymKey(const KeyRecord& record, std::string_view wrappedKey, std::string_view passphrase,
                   std::uint32_t& checkValue, SecureString& sessionKeyText);

// The key pairs a batch has opened: each record's numbers are unprotected,
// parsed and checked once, and its primes recovered for the Chinese remainder
// theorem, for every file after the first. Safe to share between threads.
class KeyPairCache {
public:
    KeyPairCache();
    ~KeyPairCache();
    KeyPairCache(const KeyPairCache&) = delete;
    KeyPairCache& operator=(const KeyPairCache&) = delete;
    // Whether the record has been opened already (its passphrase was accepted).
    bool knows(const KeyRecord& record) const;
    // As DecryptSymKey above, with the key pair opened on first use.
    void DecryptSymKey(const KeyRecord& record, std::string_view wrappedKey, std::string_view passphrase,
                       std::uint32_t& checkValue, SecureString& sessionKeyText);

private:
    struct Entry;
    struct State;
    std::unique_ptr<State> state_;
};

// True when the record's ModulusN and ExponentE (fixed protection passphrase) and
// ExponentD (passphrase) unprotect to base-16 numbers; false on any error. A
// wrong passphrase gives an ExponentD of arbitrary bytes that the parser refuses;
// an empty ExponentD is refused as a zero-length text.
bool CheckPrivatePassphrase(const KeyRecord& record, std::string_view passphrase);

// The session key's text: upper-case hexadecimal, built in cleared memory
// like the key itself.
SecureString sessionKeyText(const std::uint8_t* key, std::size_t n);
// The unwrapped number's text as 32 bytes, most significant first; missing
// leading digits are zeros. Fails ("Invalid session key") on anything else.
SecureBytes sessionKeyBytes(std::string_view text);

} // namespace zerath
