#pragma once
// Protection of key ring fields: a text is enciphered with Rijndael in CFB-8 mode
// under the SHA-256 digest of a passphrase and stored as base64. The key ring
// never holds a key number in clear.
#include <string>
#include <string_view>

#include "common/Error.h"
#include "common/Secure.h"

namespace zerath {

// The constant passphrase that protects the public numbers and the check value
// of every key ring record and every public key file: 35 printable characters,
// a blank, CR and LF (38 characters, all of them part of the passphrase).
std::string_view FixedProtectionPassphrase();

// Replaces text by its protected form (encipher true) or its clear form
// (encipher false) and answers true. Any failure of key set-up, base64 or the
// cipher raises Error "AES Encryption Error" and leaves the text unchanged.
// Deciphering under a wrong passphrase does not fail: it gives a text of the
// same length made of arbitrary bytes.
bool EncryptDecryptStr(std::string& text, std::string_view passphrase, bool encipher);
bool EncryptDecryptStr(SecureString& text, std::string_view passphrase, bool encipher);

// Conveniences giving the result as a new text.
std::string ProtectField(std::string_view clear, std::string_view passphrase);
SecureString UnprotectField(std::string_view stored, std::string_view passphrase);

} // namespace zerath
