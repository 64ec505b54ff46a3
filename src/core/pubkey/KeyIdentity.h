#pragma once
// TKeyIdentity: what a public key and a key pair have alike besides their
// numbers: the passphrase of the key file, owner, fingerprint, key id, creation
// date and time, and the key file text helpers.
#include <string>
#include <string_view>
#include <vector>

#include "common/Secure.h"

namespace zerath {

class TKeyIdentity {
public:
    SecureString Passphrase;      // the key file is enciphered under it
    std::string KeyOwner;
    std::string FingerPrint;      // 40 upper-case hexadecimal digits
    std::string KeyID;            // last 8 characters of FingerPrint
    std::string KeyCreationDate;  // CDate
    std::string KeyCreationTime;  // CTime

    static std::string CalcFingerPrint(std::string_view text);
    // Gives the last 8 characters of fingerPrint and stores them in KeyID.
    std::string CalcKeyID(std::string_view fingerPrint);
    static bool CheckKeyCRC(SecureString& text);
    static void WrapKeyLines(std::vector<std::string>& lines);
};

} // namespace zerath
