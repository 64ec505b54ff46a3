// The five block ciphers and the chaining framework, one table: known answers
// from tests/data/symcrypto, then every block, mode and key length against
// Crypto++ (MARS through the 1998 key expansion over Crypto++'s rounds).
#include <gtest/gtest.h>

#include <cryptopp/sha.h>

#include <cstring>
#include <functional>
#include <memory>

#include "CipherOracle.h"
#include "TestHelpers.h"
#include "symcrypto/Base64.h"
#include "symcrypto/CipherList.h"
#include "symcrypto/Mars.h"
#include "symcrypto/Rc6.h"
#include "symcrypto/Rijndael.h"
#include "symcrypto/Serpent.h"
#include "symcrypto/Sha256.h"
#include "symcrypto/Twofish.h"

namespace zerath {
namespace {

using namespace zerath::test;
using Impl = TDCP_rijndael::Implementation;

struct CipherRow {
    const char* name;
    int index; // as an encrypted file records it
    std::size_t maxKeyBytes;
    const char* vectors;
    std::size_t size;
    std::function<std::unique_ptr<TDCP_blockcipher128>()> make;
};

template <class C, class... A>
CipherRow row(const char* name, int index, std::size_t maxKeyBytes, const char* vectors, A... args)
{
    return {name, index, maxKeyBytes, vectors, sizeof(C), [=] { return std::make_unique<C>(args...); }};
}

const CipherRow kRows[] = {
    row<TDCP_rijndael>("RijndaelAesNi", kAes, 32, "rijndael_vectors.txt", Impl::AesNi),
    row<TDCP_rijndael>("RijndaelPortable", kAes, 32, "rijndael_vectors.txt", Impl::Portable),
    row<TDCP_rc6>("Rc6", kRc6, 256, "rc6_vectors.txt"),
    row<TDCP_mars>("Mars", kMars, 156, "mars_vectors.txt"),
    row<TDCP_serpent>("Serpent", kSerpent, 32, "serpent_vectors.txt"),
    row<TDCP_twofish>("Twofish", kTwofish, 32, "twofish_vectors.txt"),
};

using ChainOp = void (TDCP_blockcipher128::*)(const void*, void*, std::size_t);
struct ModeRow {
    const char* name;
    TDCP_ciphermode mode;
    OracleMode oracle;
    ChainOp enc, dec;
    std::size_t maxLength; // CBC runs past the eight-block pipeline of the AES instructions
};
const ModeRow kModes[] = {
    {"CBC", cmCBC, OracleMode::Cbc, &TDCP_blockcipher128::EncryptCbc, &TDCP_blockcipher128::DecryptCbc, 9000},
    {"CFB8", cmCFB8bit, OracleMode::Cfb8, &TDCP_blockcipher128::EncryptCfb8, &TDCP_blockcipher128::DecryptCfb8, 700},
    {"CFBblock", cmCFBblock, OracleMode::CfbBlock, &TDCP_blockcipher128::EncryptCfbBlock,
     &TDCP_blockcipher128::DecryptCfbBlock, 700},
    {"OFB", cmOFB, OracleMode::Ofb, &TDCP_blockcipher128::EncryptOfb, &TDCP_blockcipher128::DecryptOfb, 700},
    {"CTR", cmCTR, OracleMode::Ctr, &TDCP_blockcipher128::EncryptCtr, &TDCP_blockcipher128::DecryptCtr, 700},
};

using CipherPtr = std::unique_ptr<TDCP_blockcipher128>;

void PrintTo(const CipherRow& r, std::ostream* os) { *os << r.name; }

class Cipher : public ::testing::TestWithParam<CipherRow> {
protected:
    void SetUp() override
    {
        if (std::string(GetParam().name) == "RijndaelAesNi" && !TDCP_rijndael::HardwareAvailable())
            GTEST_SKIP() << "no AES instructions on this processor";
    }
    CipherPtr make() const { return GetParam().make(); }
    CipherPtr keyed(const Bytes& key, const Bytes& iv) const
    {
        auto c = make();
        c->SetKey(key.data(), unsigned(key.size() * 8), iv.empty() ? nullptr : iv.data());
        return c;
    }
    Bytes block(const Bytes& key, const Bytes& in, bool encrypt) const
    {
        auto c = keyed(key, {});
        Bytes out(16);
        if (encrypt) c->EncryptBlock(in.data(), out.data());
        else c->DecryptBlock(in.data(), out.data());
        return out;
    }
};

TEST_P(Cipher, KnownAnswers)
{
    const auto rows = readDataRows("symcrypto/" + std::string(GetParam().vectors));
    ASSERT_FALSE(rows.empty());
    for (const auto& r : rows) {
        if (r[0] == "block") {
            const Bytes key = fromHex(r[1]);
            EXPECT_EQ(toHex(block(key, fromHex(r[2]), true)), r[3]) << "key " << r[1];
            EXPECT_EQ(toHex(block(key, fromHex(r[3]), false)), r[2]) << "key " << r[1];
        } else if (r[0] == "cbc") {
            auto c = keyed(fromHex(r[1]), fromHex(r[2]));
            Bytes buf = fromHex(r[3]);
            c->EncryptCbc(buf.data(), buf.data(), buf.size());
            EXPECT_EQ(toHex(buf), r[4]);
            c->ResetChain();
            c->DecryptCbc(buf.data(), buf.data(), buf.size());
            EXPECT_EQ(toHex(buf), r[3]);
        } else if (r[0] == "iterate") {
            const unsigned bits = unsigned(std::stoi(r[1]));
            std::uint8_t k[32] = {}, p[16] = {}, out[16];
            for (int round = 0; round < 49; ++round) {
                auto c = make();
                c->SetKey(k, bits, nullptr);
                std::memmove(k + 16, k, bits / 8 - 16);
                std::memcpy(k, p, 16);
                c->EncryptBlock(p, out);
                std::memcpy(p, out, 16);
            }
            EXPECT_EQ(toHex(Bytes(p, p + 16)), r[2]) << bits << "-bit key";
        }
    }
    EXPECT_TRUE(make()->CheckVectors());
}

// Random keys of every length the cipher takes (256 bits most often, as files
// use), both directions, one object re-keyed throughout.
TEST_P(Cipher, BlocksMatchOracle)
{
    std::mt19937_64 rng(GetParam().index * 131 + GetParam().maxKeyBytes);
    auto c = makeCipher(GetParam().index); // the cipher list gives this algorithm for the index stored in files
    for (std::size_t t = 0; t < 400 + 3 * GetParam().maxKeyBytes; ++t) {
        if (t == 100) c = make();
        const std::size_t bytes = t < 400 ? 32 : 1 + (t - 400) / 3;
        const Bytes key = randomBytes(rng, bytes), in = randomBytes(rng, 16);
        c->SetKey(key.data(), unsigned(bytes * 8), nullptr);
        Bytes ours(16);
        c->EncryptBlock(in.data(), ours.data());
        ASSERT_EQ(toHex(ours), toHex(referenceBlock(GetParam().index, true, key, in))) << "key " << toHex(key);
        c->DecryptBlock(in.data(), ours.data());
        ASSERT_EQ(toHex(ours), toHex(referenceBlock(GetParam().index, false, key, in))) << "key " << toHex(key);
    }
}

TEST_P(Cipher, ModesMatchOracle)
{
    std::mt19937_64 rng(3 + GetParam().index);
    for (int iter = 0; iter < 60; ++iter) {
        const Bytes key = randomBytes(rng, 32), iv = randomBytes(rng, 16);
        auto c = keyed(key, iv);
        for (const ModeRow& m : kModes) {
            const std::size_t len = iter < 40 ? std::size_t(iter) : rng() % m.maxLength;
            const Bytes plain = randomBytes(rng, len);
            const Bytes expected = referenceMode(GetParam().index, m.oracle, true, key, iv, plain);
            Bytes out(len);
            c->ResetChain();
            (c.get()->*m.enc)(plain.data(), out.data(), len);
            ASSERT_EQ(toHex(out), toHex(expected)) << m.name << " encrypt, length " << len;
            c->ResetChain();
            (c.get()->*m.dec)(out.data(), out.data(), len); // in place
            ASSERT_EQ(toHex(out), toHex(plain)) << m.name << " decrypt, length " << len;

            // Through the mode dispatch, in pieces: whole blocks but the last (CFB-8 any split).
            c->CipherMode = m.mode;
            c->ResetChain();
            for (std::size_t pos = 0; pos < len;) {
                std::size_t take = m.mode == cmCFB8bit ? rng() % 40 : 16 * (rng() % 70);
                if (take > len - pos || rng() % 8 == 0) take = len - pos;
                c->EncryptData(out.data() + pos, out.data() + pos, take);
                pos += take;
            }
            ASSERT_EQ(toHex(out), toHex(expected)) << m.name << " in pieces, length " << len;
            c->ResetChain();
            c->DecryptData(out.data(), out.data(), len);
            ASSERT_EQ(out, plain) << m.name;
        }
    }
}

// Key, vector and chain handling, and refusals before a key.
TEST_P(Cipher, KeySetup)
{
    std::uint8_t buf[32] = {};
    auto fresh = make();
    for (const ModeRow& m : kModes) {
        for (ChainOp op : {m.enc, m.dec})
            EXPECT_EQ(errorOf<EDCP_blockcipher>([&] { (fresh.get()->*op)(buf, buf, 32); }), "Cipher not initialized");
    }
    EXPECT_THROW(fresh->ResetChain(), EDCP_blockcipher);
    EXPECT_THROW(fresh->EncryptText("x"), EDCP_blockcipher);

    const Bytes key(GetParam().maxKeyBytes, 0x5A);
    const unsigned maxBits = unsigned(GetParam().maxKeyBytes * 8);
    auto c = make();
    for (unsigned bits : {0u, 2u, 129u, maxBits + 4}) {
        c->SetKey(key.data(), 128, nullptr);
        EXPECT_EQ(errorOf<EDCP_cipher>([&] { c->SetKey(key.data(), bits, nullptr); }), "Invalid key size") << bits;
        EXPECT_FALSE(c->Keyed()) << "a keyed object is wiped before the size check";
    }
    EXPECT_NO_THROW(c->SetKey(key.data(), maxBits, nullptr));
}

// After Wipe the object holds what it held before its key: no key schedule is left.
TEST_P(Cipher, WipeClearsSchedule)
{
    auto c = make();
    const auto* raw = reinterpret_cast<const std::uint8_t*>(c.get());
    const Bytes fresh(raw, raw + GetParam().size);
    c->SetKey(Bytes(32, 0xA7).data(), 256, nullptr);
    EXPECT_NE(Bytes(raw, raw + GetParam().size), fresh);
    c->Wipe();
    EXPECT_EQ(toHex(Bytes(raw, raw + GetParam().size)), toHex(fresh));
    EXPECT_FALSE(c->Keyed());
}

// Protected fields and key files: the key is the SHA-256 of a passphrase, the
// text CFB-8 from the chain E(0), then base64.
TEST_P(Cipher, TextUnderPassphrase)
{
    std::mt19937_64 rng(6);
    auto c = make();
    for (int iter = 0; iter < 20; ++iter) {
        const Bytes raw = randomBytes(rng, rng() % 300);
        const std::string pass = toHex(randomBytes(rng, iter % 5 * 7)), text(raw.begin(), raw.end());
        Bytes key(32);
        CryptoPP::SHA256().CalculateDigest(key.data(), reinterpret_cast<const CryptoPP::byte*>(pass.data()), pass.size());
        const Bytes ref = referenceMode(GetParam().index, OracleMode::Cfb8, true, key, referenceBlock(GetParam().index, true, key, Bytes(16, 0)), raw);
        c->SetKeyFromPassphrase<TDCP_sha256>(pass);
        const std::string b64 = c->EncryptText(text);
        ASSERT_EQ(b64, Base64Encode(ref.data(), ref.size()));
        c->ResetChain();
        ASSERT_EQ(c->DecryptText(b64), text);
    }
}

INSTANTIATE_TEST_SUITE_P(All, Cipher, ::testing::ValuesIn(kRows), [](const auto& info) { return std::string(info.param.name); });

// MARS: the key schedule word for word, over keys that reach both kinds of
// multiplication-key fix-up.
TEST(MarsKeySchedule, SameAsReferenceExpansion)
{
    std::mt19937_64 rng(31);
    int fixes = 0, topFixes = 0;
    for (int t = 0; t < 4000; ++t) {
        const Bytes key = randomBytes(rng, t < 2000 ? 32 : 16 + 4 * (rng() % 36));
        TDCP_mars c;
        c.SetKey(key.data(), unsigned(key.size() * 8), nullptr);
        std::uint32_t K[40];
        marsReferenceExpand(key, K, &fixes, &topFixes);
        ASSERT_EQ(Bytes(reinterpret_cast<const std::uint8_t*>(K), reinterpret_cast<const std::uint8_t*>(K + 40)),
                  Bytes(reinterpret_cast<const std::uint8_t*>(c.ExpandedKey()), reinterpret_cast<const std::uint8_t*>(c.ExpandedKey() + 40)));
    }
    EXPECT_GT(fixes, 1000);
    EXPECT_GT(topFixes, 10);
}

TEST(CipherList, NamesAndNumbers)
{
    const std::pair<const char*, int> lookups[] = {{"rijndael", 0}, {"RC6", 1}, {"Mars", 2}, {"SERPENT", 3}, {"TwoFish", 4},
                                                   {"0", 0},        {"4", 4},   {"", -1},    {"5", -1},      {"00", -1},
                                                   {"aes", -1},     {" rc6", -1}, {"serpent2", -1}};
    for (auto [text, index] : lookups) EXPECT_EQ(findCipher(text), index) << '"' << text << '"';
    for (int bad : {-1, 5, 255}) EXPECT_EQ(errorOf<Error>([&] { makeCipher(bad); }), "Unknown cipher number");
}

} // namespace
} // namespace zerath
