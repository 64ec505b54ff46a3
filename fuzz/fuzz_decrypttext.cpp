// DecryptText, the reading side of key ring field protection and key file
// bodies: the first byte gives the passphrase length (0..63), the rest is the
// base64 text. Deciphering gives as many bytes as the text decodes to, and
// enciphering them again under the same key gives the canonical base64 of the
// same bytes; EncryptDecryptStr agrees with the cipher object.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "common/Error.h"
#include "symcrypto/FieldProtection.h"
#include "symcrypto/Base64.h"
#include "symcrypto/Rijndael.h"
#include "symcrypto/Sha256.h"

using namespace zerath;
using namespace zerath::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 64 * 1024) return 0;
    const Split in = splitHead(data, size, 63);

    std::string clear;
    std::vector<std::uint8_t> raw;
    try {
        raw = Base64Decode(in.rest);
    } catch (const EBase64&) {
    }
    try {
        TDCP_rijndael cipher;
        cipher.SetKeyFromPassphrase<TDCP_sha256>(in.head);
        clear = cipher.DecryptText(in.rest);
        cipher.Wipe();
    } catch (const Error&) {
        std::string field(in.rest);
        bool refused = false;
        try {
            EncryptDecryptStr(field, in.head, false);
        } catch (const Error& e) {
            refused = std::string(e.what()) == "AES Encryption Error";
        }
        expect(refused, "field protection refuses what the cipher refuses, with its message");
        expect(field == in.rest, "a refused field is left unchanged");
        return 0;
    }
    expect(clear.size() == raw.size(), "one clear byte per decoded byte");

    TDCP_rijndael again;
    again.SetKeyFromPassphrase<TDCP_sha256>(in.head);
    expect(again.EncryptText(clear) == Base64Encode(raw.data(), raw.size()), "enciphering gives the text back");

    std::string field(in.rest);
    expect(EncryptDecryptStr(field, in.head, false) && field == clear, "field protection agrees");
    return 0;
}
