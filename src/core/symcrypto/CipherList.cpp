#include "symcrypto/CipherList.h"

#include <cctype>

#include "symcrypto/Mars.h"
#include "symcrypto/Rc6.h"
#include "symcrypto/Rijndael.h"
#include "symcrypto/Serpent.h"
#include "symcrypto/Twofish.h"

namespace zerath {

const std::array<CipherEntry, kCipherCount>& cipherEntries()
{
    static const std::array<CipherEntry, kCipherCount> entries = {{
        {"Rijndael with 256 bit key (AES)", "rijndael"},
        {"RC6 with 256 bit key", "rc6"},
        {"Mars with 256 bit key", "mars"},
        {"Serpent with 256 bit key", "serpent"},
        {"TwoFish with 256 bit key", "twofish"},
    }};
    return entries;
}

bool isValidCipherIndex(int index)
{
    return index >= 0 && index < kCipherCount;
}

namespace {
void checkIndex(int index)
{
    if (!isValidCipherIndex(index)) throw Error("Unknown cipher number");
}
} // namespace

std::string_view cipherDisplayText(int index)
{
    checkIndex(index);
    return cipherEntries()[std::size_t(index)].displayText;
}

std::unique_ptr<TDCP_blockcipher128> makeCipher(int index)
{
    checkIndex(index);
    switch (index) {
    case 0: return std::make_unique<TDCP_rijndael>();
    case 1: return std::make_unique<TDCP_rc6>();
    case 2: return std::make_unique<TDCP_mars>();
    case 3: return std::make_unique<TDCP_serpent>();
    default: return std::make_unique<TDCP_twofish>();
    }
}

std::string cipherStatusName(const TDCP_cipher& cipher)
{
    std::string name = cipher.Algorithm();
    if (name == "Rijndael") name += " (AES)";
    return name;
}

int findCipher(std::string_view nameOrNumber)
{
    if (nameOrNumber.size() == 1 && nameOrNumber[0] >= '0' && nameOrNumber[0] < char('0' + kCipherCount))
        return nameOrNumber[0] - '0';
    for (int i = 0; i < kCipherCount; ++i) {
        const std::string_view cli = cipherEntries()[std::size_t(i)].cliName;
        if (cli.size() != nameOrNumber.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < cli.size() && same; ++k)
            same = std::tolower(static_cast<unsigned char>(nameOrNumber[k])) == cli[k];
        if (same) return i;
    }
    return -1;
}

} // namespace zerath
