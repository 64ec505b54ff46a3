// The five block ciphers and the chaining framework, one table: known answers
// from tests/data/symcrypto, then every block, mode and key length against
// Crypto++ (MARS through the 1998 key expansion over Crypto++'s rounds).
#include <gtest/gtest.h>

#include <cryptopp/sha.h>

#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <sstream>

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
    std::function<TDCP_blockcipher128*(void*)> place; // constructs in the given storage
};

template <class C, class... A>
CipherRow row(const char* name, int index, std::size_t maxKeyBytes, const char* vectors, A... args)
{
    return {name, index, maxKeyBytes, vectors, sizeof(C), [=](void* p) { return new (p) C(args...); }};
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

struct Deleter {
    void operator()(TDCP_blockcipher128* c) const
    {
        c->~TDCP_blockcipher128();
        ::operator delete(static_cast<void*>(c), std::align_val_t(64));
    }
};
using CipherPtr = std::unique_ptr<TDCP_blockcipher128, Deleter>;

void PrintTo(const CipherRow& r, std::ostream* os) { *os << r.name; }

class Cipher : public ::testing::TestWithParam<CipherRow> {
protected:
    void SetUp() override
    {
        if (std::string(GetParam().name) == "RijndaelAesNi" && !TDCP_rijndael::HardwareAvailable())
            GTEST_SKIP() << "no AES instructions on this processor";
    }
    CipherPtr make() const
    {
        return CipherPtr(GetParam().place(::operator new(GetParam().size, std::align_val_t(64))));
    }
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
    Bytes oracle(OracleMode m, bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& data) const
    {
        return referenceMode(GetParam().index, m, encrypt, key, iv, data);
    }
};

Bytes chainOf(const TDCP_blockcipher128& c)
{
    Bytes v(16);
    c.GetChain(v.data());
    return v;
}

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
            EXPECT_EQ(toHex(p, 16), r[2]) << bits << "-bit key";
        } else {
            ADD_FAILURE() << "unknown line kind " << r[0];
        }
    }
    EXPECT_TRUE(make()->CheckVectors());
}

// Random keys of every length the cipher takes (256 bits most often, as files
// use), both directions, one object re-keyed throughout.
TEST_P(Cipher, BlocksMatchOracle)
{
    std::mt19937_64 rng(GetParam().index * 131 + GetParam().maxKeyBytes);
    auto c = make();
    for (std::size_t t = 0; t < 300 + 3 * GetParam().maxKeyBytes; ++t) {
        const std::size_t bytes = t < 300 ? 32 : 1 + (t - 300) / 3;
        const Bytes key = randomBytes(rng, bytes), in = randomBytes(rng, 16);
        c->SetKey(key.data(), unsigned(bytes * 8), nullptr);
        Bytes ours(16);
        c->EncryptBlock(in.data(), ours.data());
        ASSERT_EQ(toHex(ours), toHex(referenceBlock(GetParam().index, true, key, in))) << "key " << toHex(key);
        c->DecryptBlock(in.data(), ours.data());
        ASSERT_EQ(toHex(ours), toHex(referenceBlock(GetParam().index, false, key, in))) << "key " << toHex(key);
    }
    // The cipher list gives this algorithm for the index stored in files.
    const Bytes key = randomBytes(rng, 32), in = randomBytes(rng, 16);
    auto listed = makeCipher(GetParam().index);
    listed->SetKey(key.data(), 256, nullptr);
    Bytes out(16);
    listed->EncryptBlock(in.data(), out.data());
    EXPECT_EQ(toHex(out), toHex(referenceBlock(GetParam().index, true, key, in)));
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
            const Bytes expected = oracle(m.oracle, true, key, iv, plain);
            ASSERT_EQ(oracle(m.oracle, false, key, iv, expected), plain) << m.name;
            Bytes out(len);
            c->ResetChain();
            (c.get()->*m.enc)(plain.data(), out.data(), len);
            ASSERT_EQ(toHex(out), toHex(expected)) << m.name << " encrypt, length " << len;
            const Bytes endChain = chainOf(*c);
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
            ASSERT_EQ(chainOf(*c), endChain) << m.name;
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

    const Bytes key(GetParam().maxKeyBytes, 0x5A), iv(16, 9), zero(16, 0);
    const unsigned maxBits = unsigned(GetParam().maxKeyBytes * 8);
    auto c = make();
    for (unsigned bits : {0u, 2u, 129u, maxBits + 4}) {
        c->SetKey(key.data(), 128, nullptr);
        EXPECT_EQ(errorOf<EDCP_cipher>([&] { c->SetKey(key.data(), bits, nullptr); }), "Invalid key size") << bits;
        EXPECT_FALSE(c->Keyed()) << "a keyed object is wiped before the size check";
    }
    c->SetKey(key.data(), maxBits, nullptr);
    const Bytes e0 = referenceBlock(GetParam().index, true, key, zero);
    EXPECT_EQ(chainOf(*c), e0) << "without a vector the chain starts at E(0)";
    c->SetKey(key.data(), maxBits, iv.data());
    for (const ModeRow& m : kModes) {
        std::uint8_t guard = 0xAB;
        (c.get()->*m.enc)(&guard, &guard, 0);
        EXPECT_EQ(guard, 0xAB);
        EXPECT_EQ(chainOf(*c), iv) << m.name << ": zero bytes change nothing";
    }
    Bytes data(48, 1);
    c->EncryptCbc(data.data(), data.data(), data.size());
    EXPECT_EQ(chainOf(*c), Bytes(data.end() - 16, data.end())) << "GetChain gives CV, not IV";
    c->ResetChain();
    EXPECT_EQ(chainOf(*c), iv);
    c->SetIv(e0.data());
    EXPECT_EQ(chainOf(*c), e0);
}

// After Wipe the object holds what a fresh one holds: no key schedule is left.
TEST_P(Cipher, WipeClearsSchedule)
{
    const std::size_t size = GetParam().size;
    auto* store = static_cast<std::uint8_t*>(::operator new(size, std::align_val_t(64)));
    std::memset(store, 0, size);
    GetParam().place(store)->~TDCP_blockcipher128();
    std::memset(store, 0, size);
    TDCP_blockcipher128* c = GetParam().place(store);
    const Bytes freshBytes(store, store + size);
    std::mt19937_64 rng(7);
    const Bytes key = randomBytes(rng, 32);
    c->SetKey(key.data(), 256, nullptr);
    EXPECT_NE(Bytes(store, store + size), freshBytes);
    c->Wipe();
    EXPECT_EQ(toHex(Bytes(store, store + size)), toHex(freshBytes));
    EXPECT_FALSE(c->Keyed());
    c->~TDCP_blockcipher128();
    ::operator delete(store, std::align_val_t(64));
}

// Protected text fields: CFB-8 from the chain E(0), then base64; the chain runs on.
TEST_P(Cipher, Text)
{
    std::mt19937_64 rng(6);
    for (int iter = 0; iter < 20; ++iter) {
        const Bytes key = randomBytes(rng, 32), raw = randomBytes(rng, rng() % 300);
        auto c = keyed(key, {});
        const std::string b64 = c->EncryptText(std::string(raw.begin(), raw.end()));
        const Bytes ref = oracle(OracleMode::Cfb8, true, key, referenceBlock(GetParam().index, true, key, Bytes(16, 0)), raw);
        ASSERT_EQ(b64, Base64Encode(ref.data(), ref.size()));
        c->ResetChain();
        ASSERT_EQ(c->DecryptText(b64), std::string(raw.begin(), raw.end()));
    }
    auto c = keyed(Bytes(32, 0x11), {});
    const std::string a = c->EncryptText("first part"), b = c->EncryptText("second");
    c->ResetChain();
    const std::string first = c->DecryptText(a);
    EXPECT_EQ(first + c->DecryptText(b), "first partsecond");
    c->ResetChain();
    EXPECT_THROW(c->DecryptText(a.substr(0, 4) + "*" + a.substr(5)), EBase64);
}

class BrokenDigest : public TDCP_hash {
public:
    explicit BrokenDigest(int failAt) : failAt_(failAt) {}
    int HashSize() const override { return failAt_ == 0 ? -1 : 256; }
    void Start() override { fStarted = true; }
    void Absorb(const void*, std::size_t) override
    {
        if (failAt_ == 1) throw std::bad_alloc();
    }
    void Finish(void* d) override
    {
        if (failAt_ == 2) throw EDCP_hash("Hash not initialized");
        std::memset(d, 0x33, 32);
    }
    void Wipe() override { fStarted = false; }

private:
    int failAt_;
};

TEST_P(Cipher, PassphraseKey)
{
    auto c = make();
    for (const std::string pass : {"", "correct horse battery staple"}) {
        c->SetKeyFromPassphrase<TDCP_sha256>(pass);
        Bytes digest(32);
        CryptoPP::SHA256().CalculateDigest(digest.data(), reinterpret_cast<const CryptoPP::byte*>(pass.data()), pass.size());
        const Bytes data(50, 0x42);
        Bytes out(50);
        c->EncryptCbc(data.data(), out.data(), 50);
        EXPECT_EQ(out, referenceCbc(GetParam().index, true, digest, referenceBlock(GetParam().index, true, digest, Bytes(16, 0)), data));
    }
    // 0: no digest size; 1: absorb fails; 2: finish fails; 9: no digest object.
    for (int failAt : {0, 1, 2, 9}) {
        c->SetKey(Bytes(32, 1).data(), 256, nullptr);
        std::unique_ptr<TDCP_hash> d = failAt == 9 ? nullptr : std::make_unique<BrokenDigest>(failAt);
        EXPECT_EQ(errorOf<EDCP_cipher>([&] { c->SetKeyFromPassphrase("pass", std::move(d)); }),
                  "Unable to allocate sufficient memory for hash digest");
        EXPECT_FALSE(c->Keyed());
    }
}

// Records the sizes asked for.
struct RecordingSource : ByteSource {
    explicit RecordingSource(Bytes d) : data(std::move(d)) {}
    std::size_t read(void* buf, std::size_t n) override
    {
        asks.push_back(n);
        const std::size_t got = std::min(n, data.size() - pos);
        std::memcpy(buf, data.data() + pos, got);
        pos += got;
        return got;
    }
    Bytes data;
    std::size_t pos = 0;
    std::vector<std::size_t> asks;
};

TEST_P(Cipher, StreamData)
{
    std::mt19937_64 rng(8);
    const Bytes key = randomBytes(rng, 32), iv = randomBytes(rng, 16);
    for (std::size_t n : {0u, 15u, 8192u, 3u * 8192u + 5u}) {
        const Bytes plain = randomBytes(rng, n);
        auto c = keyed(key, iv);
        RecordingSource src(plain);
        std::ostringstream out;
        StdByteSink dst(out);
        EXPECT_EQ(c->EncryptStreamData(src, dst, n + 100), n) << "a short source counts what was read";
        const std::string s = out.str();
        EXPECT_EQ(Bytes(s.begin(), s.end()), referenceCbc(GetParam().index, true, key, iv, plain)) << n;
        EXPECT_EQ(src.asks.size(), n / 8192 + 1) << "8192-byte pieces";
        c->ResetChain();
        RecordingSource back(Bytes(s.begin(), s.end()));
        std::ostringstream clear;
        StdByteSink clearSink(clear);
        EXPECT_EQ(c->DecryptStreamData(back, clearSink, n), n);
        EXPECT_EQ(clear.str(), std::string(plain.begin(), plain.end()));
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
    for (int bad : {-1, 5, 255}) {
        EXPECT_FALSE(isValidCipherIndex(bad));
        EXPECT_EQ(errorOf<Error>([&] { makeCipher(bad); }), "Unknown cipher number");
    }
}

} // namespace
} // namespace zerath
