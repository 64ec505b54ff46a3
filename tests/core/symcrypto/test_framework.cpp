// The chaining modes, key set-up and text/stream helpers of the block cipher
// framework, checked against Crypto++. Each test runs on the framework's own
// chaining code (over Crypto++'s AES block transform) and on TDCP_rijndael's
// specialised paths (both implementations).
#include <gtest/gtest.h>

#include <cryptopp/aes.h>
#include <cryptopp/sha.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <sstream>

#include "CryptoppRef.h"
#include "SymTestUtil.h"
#include "symcrypto/Base64.h"
#include "symcrypto/Cipher.h"
#include "symcrypto/Rijndael.h"
#include "symcrypto/Sha1.h"
#include "symcrypto/Sha256.h"

using namespace zerath;
using namespace zerath::symtest;

namespace {

// Only the block transform comes from Crypto++; every chaining operation is the
// framework's default.
class OracleAes : public TDCP_blockcipher128 {
public:
    ~OracleAes() override { Wipe(); }
    int Id() const override { return 1000; }
    std::string Algorithm() const override { return "OracleAES"; }
    int MaxKeySize() const override { return 256; }
    void EncryptBlock(const void* in, void* out) const override
    {
        enc_.ProcessBlock(static_cast<const CryptoPP::byte*>(in), static_cast<CryptoPP::byte*>(out));
    }
    void DecryptBlock(const void* in, void* out) const override
    {
        dec_.ProcessBlock(static_cast<const CryptoPP::byte*>(in), static_cast<CryptoPP::byte*>(out));
    }
    const std::uint8_t* iv() const { return IV; }
    const std::uint8_t* cv() const { return CV; }

protected:
    void ExpandKey(const void* key, unsigned bits) override
    {
        enc_.SetKey(static_cast<const CryptoPP::byte*>(key), bits / 8);
        dec_.SetKey(static_cast<const CryptoPP::byte*>(key), bits / 8);
    }

private:
    CryptoPP::AES::Encryption enc_;
    CryptoPP::AES::Decryption dec_;
};

class RijndaelProbe : public TDCP_rijndael {
public:
    using TDCP_rijndael::TDCP_rijndael;
    const std::uint8_t* iv() const { return IV; }
    const std::uint8_t* cv() const { return CV; }
};

struct Subject {
    std::string name;
    std::function<std::unique_ptr<TDCP_blockcipher128>()> make;
};

std::vector<Subject> subjects()
{
    std::vector<Subject> s;
    s.push_back({"FrameworkDefaults", [] { return std::make_unique<OracleAes>(); }});
    s.push_back({"RijndaelPortable",
                 [] { return std::make_unique<RijndaelProbe>(TDCP_rijndael::Implementation::Portable); }});
    if (TDCP_rijndael::HardwareAvailable())
        s.push_back({"RijndaelAesNi",
                     [] { return std::make_unique<RijndaelProbe>(TDCP_rijndael::Implementation::AesNi); }});
    return s;
}

const std::uint8_t* ivOf(const TDCP_blockcipher128& c)
{
    if (auto* o = dynamic_cast<const OracleAes*>(&c)) return o->iv();
    return dynamic_cast<const RijndaelProbe&>(c).iv();
}
const std::uint8_t* cvOf(const TDCP_blockcipher128& c)
{
    if (auto* o = dynamic_cast<const OracleAes*>(&c)) return o->cv();
    return dynamic_cast<const RijndaelProbe&>(c).cv();
}

Bytes chainOf(const TDCP_blockcipher128& c)
{
    Bytes v(16);
    c.GetChain(v.data());
    return v;
}

using ChainOp = void (TDCP_blockcipher128::*)(const void*, void*, std::size_t);
struct ModeOps {
    const char* name;
    TDCP_ciphermode mode;
    ChainOp enc, dec;
};
const ModeOps kModes[] = {
    {"CBC", cmCBC, &TDCP_blockcipher128::EncryptCbc, &TDCP_blockcipher128::DecryptCbc},
    {"CFB8", cmCFB8bit, &TDCP_blockcipher128::EncryptCfb8, &TDCP_blockcipher128::DecryptCfb8},
    {"CFBblock", cmCFBblock, &TDCP_blockcipher128::EncryptCfbBlock, &TDCP_blockcipher128::DecryptCfbBlock},
    {"OFB", cmOFB, &TDCP_blockcipher128::EncryptOfb, &TDCP_blockcipher128::DecryptOfb},
    {"CTR", cmCTR, &TDCP_blockcipher128::EncryptCtr, &TDCP_blockcipher128::DecryptCtr},
};

Bytes reference(TDCP_ciphermode mode, bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& in)
{
    switch (mode) {
    case cmCBC: return refCbc(encrypt, key, iv, in);
    case cmCFB8bit: return refStream(RefMode::Cfb8, encrypt, key, iv, in);
    case cmCFBblock: return refStream(RefMode::CfbBlock, encrypt, key, iv, in);
    case cmOFB: return refStream(RefMode::Ofb, encrypt, key, iv, in);
    case cmCTR: return refStream(RefMode::Ctr, encrypt, key, iv, in);
    }
    return {};
}

template <class F>
void expectMessage(F&& f, const char* message, const char* what)
{
    try {
        f();
        ADD_FAILURE() << what << ": no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), message) << what;
    }
}

void PrintTo(const Subject& s, std::ostream* os) { *os << s.name; }

class Framework : public ::testing::TestWithParam<Subject> {
protected:
    std::unique_ptr<TDCP_blockcipher128> make() const { return GetParam().make(); }

    // A random 256-bit key, IV and message shorter than `limit` bytes, drawn in
    // that order, and a cipher keyed with them.
    struct RandomRun {
        Bytes key, iv, plain;
        std::unique_ptr<TDCP_blockcipher128> c;
    };
    RandomRun randomRun(std::mt19937_64& rng, std::size_t limit) const
    {
        RandomRun r;
        r.key = randomBytes(rng, 32);
        r.iv = randomBytes(rng, 16);
        r.plain = randomBytes(rng, rng() % limit);
        r.c = make();
        r.c->SetKey(r.key.data(), 256, r.iv.data());
        return r;
    }
};

} // namespace

TEST_P(Framework, FreshObjectIsWipedAndRefusesWork)
{
    auto c = make();
    EXPECT_FALSE(c->Keyed());
    EXPECT_EQ(c->CipherMode, cmCBC);
    EXPECT_EQ(c->BlockSize(), 128);
    EXPECT_EQ(Bytes(ivOf(*c), ivOf(*c) + 16), Bytes(16, 0xFF));
    EXPECT_EQ(Bytes(cvOf(*c), cvOf(*c) + 16), Bytes(16, 0xFF));

    std::uint8_t buf[32] = {};
    for (const ModeOps& m : kModes) {
        for (std::size_t n : {std::size_t(0), std::size_t(5), std::size_t(32)}) {
            try {
                (c.get()->*m.enc)(buf, buf, n);
                ADD_FAILURE() << m.name << " encrypt before key";
            } catch (const EDCP_blockcipher& e) {
                EXPECT_STREQ(e.what(), "Cipher not initialized");
            }
            try {
                (c.get()->*m.dec)(buf, buf, n);
                ADD_FAILURE() << m.name << " decrypt before key";
            } catch (const EDCP_blockcipher& e) {
                EXPECT_STREQ(e.what(), "Cipher not initialized");
            }
        }
        c->CipherMode = m.mode;
        EXPECT_THROW(c->EncryptData(buf, buf, 16), EDCP_blockcipher);
        EXPECT_THROW(c->DecryptData(buf, buf, 16), EDCP_blockcipher);
    }
    expectMessage([&] { c->ResetChain(); }, "Cipher not initialized", "ResetChain");
    expectMessage([&] { c->SetIv(buf); }, "Cipher not initialized", "SetIv");
    expectMessage([&] { c->GetChain(buf); }, "Cipher not initialized", "GetChain");
    expectMessage([&] { c->EncryptText("x"); }, "Cipher not initialized", "EncryptText");
    expectMessage([&] { c->DecryptText("eA=="); }, "Cipher not initialized", "DecryptText");
    std::istringstream in(std::string(100, 'a'));
    std::ostringstream out;
    StdByteSource src(in);
    StdByteSink dst(out);
    EXPECT_THROW(c->EncryptStreamData(src, dst, 100), EDCP_blockcipher);
}

TEST_P(Framework, KeySizes)
{
    auto c = make();
    const Bytes key(40, 0x5A);
    for (unsigned bits : {0u, 1u, 2u, 6u, 129u, 255u, 260u, 512u}) {
        c->SetKey(key.data(), 128, nullptr);
        ASSERT_TRUE(c->Keyed());
        try {
            c->SetKey(key.data(), bits, nullptr);
            ADD_FAILURE() << bits << " bits accepted";
        } catch (const EDCP_cipher& e) {
            EXPECT_STREQ(e.what(), "Invalid key size") << bits;
        }
        EXPECT_FALSE(c->Keyed()) << "a keyed object is wiped before the size check";
        EXPECT_THROW(c->GetChain(nullptr), EDCP_blockcipher);
    }
    for (unsigned bits : {128u, 192u, 256u}) {
        EXPECT_NO_THROW(c->SetKey(key.data(), bits, nullptr)) << bits;
        EXPECT_TRUE(c->Keyed());
    }
}

TEST_P(Framework, VectorAndChainValue)
{
    std::mt19937_64 rng(1);
    for (std::size_t keyLen : {16u, 24u, 32u}) {
        auto c = make();
        const Bytes key = randomBytes(rng, keyLen), iv = randomBytes(rng, 16);
        const Bytes zero(16, 0);
        c->SetKey(key.data(), static_cast<unsigned>(keyLen * 8), nullptr);
        const Bytes e0 = aesBlock(key, zero.data());
        EXPECT_EQ(chainOf(*c), e0) << "without a vector the chain starts at E(0)";
        EXPECT_EQ(Bytes(ivOf(*c), ivOf(*c) + 16), e0);

        c->SetKey(key.data(), static_cast<unsigned>(keyLen * 8), iv.data());
        EXPECT_EQ(chainOf(*c), iv);
        Bytes buf = randomBytes(rng, 48);
        c->EncryptCbc(buf.data(), buf.data(), buf.size());
        EXPECT_EQ(chainOf(*c), Bytes(buf.end() - 16, buf.end())) << "GetChain gives CV, not IV";
        c->ResetChain();
        EXPECT_EQ(chainOf(*c), iv);
        const Bytes iv2 = randomBytes(rng, 16);
        c->SetIv(iv2.data());
        EXPECT_EQ(chainOf(*c), iv2);
        EXPECT_EQ(Bytes(ivOf(*c), ivOf(*c) + 16), iv2);

        c->Wipe();
        EXPECT_FALSE(c->Keyed());
        EXPECT_EQ(Bytes(ivOf(*c), ivOf(*c) + 16), Bytes(16, 0xFF));
        EXPECT_EQ(Bytes(cvOf(*c), cvOf(*c) + 16), Bytes(16, 0xFF));
        EXPECT_THROW(c->ResetChain(), EDCP_blockcipher);
    }
}

TEST_P(Framework, ZeroBytesChangeNothing)
{
    auto c = make();
    const Bytes key(32, 7), iv(16, 9);
    c->SetKey(key.data(), 256, iv.data());
    std::uint8_t guard = 0xAB;
    for (const ModeOps& m : kModes) {
        (c.get()->*m.enc)(&guard, &guard, 0);
        (c.get()->*m.dec)(&guard, &guard, 0);
        c->CipherMode = m.mode;
        c->EncryptData(&guard, &guard, 0);
        EXPECT_EQ(chainOf(*c), iv) << m.name;
        EXPECT_EQ(guard, 0xAB);
    }
}

TEST_P(Framework, CbcEdgeLengths)
{
    std::mt19937_64 rng(2);
    const Bytes key = randomBytes(rng, 32), iv = randomBytes(rng, 16);
    const Bytes data = randomBytes(rng, 17);
    auto c = make();
    const Bytes eIv = aesBlock(key, iv.data());

    // 15 bytes: no block transform of data, only the keystream E(IV).
    c->SetKey(key.data(), 256, iv.data());
    Bytes out(15);
    c->EncryptCbc(data.data(), out.data(), 15);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(out[i], data[i] ^ eIv[i]);
    EXPECT_EQ(chainOf(*c), eIv);
    c->ResetChain();
    Bytes back(15);
    c->DecryptCbc(out.data(), back.data(), 15);
    EXPECT_EQ(back, Bytes(data.begin(), data.begin() + 15));
    EXPECT_EQ(chainOf(*c), eIv) << "the tail uses the encryption transform on both sides";

    // 16 bytes: exactly one block, CV = C1.
    c->ResetChain();
    Bytes one(16);
    c->EncryptCbc(data.data(), one.data(), 16);
    EXPECT_EQ(one, refCbc(true, key, iv, Bytes(data.begin(), data.begin() + 16)));
    EXPECT_EQ(chainOf(*c), one);

    // 17 bytes: one block, then the last byte xored with E(C1).
    c->ResetChain();
    Bytes seventeen(17);
    c->EncryptCbc(data.data(), seventeen.data(), 17);
    EXPECT_TRUE(std::equal(one.begin(), one.end(), seventeen.begin()));
    EXPECT_EQ(seventeen[16], data[16] ^ aesBlock(key, one.data())[0]);
    EXPECT_EQ(chainOf(*c), aesBlock(key, one.data()));
    c->ResetChain();
    Bytes plain(17);
    c->DecryptCbc(seventeen.data(), plain.data(), 17);
    EXPECT_EQ(plain, data);
}

TEST_P(Framework, ModesMatchCryptoppOverRandomLengths)
{
    std::mt19937_64 rng(3);
    const std::size_t keyLens[] = {16, 24, 32};
    for (int iter = 0; iter < 150; ++iter) {
        const std::size_t keyLen = keyLens[iter % 3];
        const Bytes key = randomBytes(rng, keyLen), iv = randomBytes(rng, 16);
        const std::size_t len = iter < 40 ? static_cast<std::size_t>(iter) : rng() % 700;
        const Bytes plain = randomBytes(rng, len);
        auto c = make();
        c->SetKey(key.data(), static_cast<unsigned>(keyLen * 8), iv.data());
        for (const ModeOps& m : kModes) {
            const Bytes refCipher = reference(m.mode, true, key, iv, plain);
            Bytes out(len);
            c->ResetChain();
            (c.get()->*m.enc)(plain.data(), out.data(), len);
            ASSERT_EQ(toHex(out), toHex(refCipher)) << m.name << " encrypt, length " << len;

            Bytes inPlace = refCipher;
            c->ResetChain();
            (c.get()->*m.dec)(inPlace.data(), inPlace.data(), len);
            ASSERT_EQ(toHex(inPlace), toHex(plain)) << m.name << " decrypt in place, length " << len;
            if (m.mode != cmCBC) {
                ASSERT_EQ(reference(m.mode, false, key, iv, refCipher), plain);
            }

            // Through the mode dispatch, in place.
            c->CipherMode = m.mode;
            c->ResetChain();
            Bytes viaData = plain;
            c->EncryptData(viaData.data(), viaData.data(), len);
            ASSERT_EQ(viaData, refCipher) << m.name;
            c->ResetChain();
            c->DecryptData(viaData.data(), viaData.data(), len);
            ASSERT_EQ(viaData, plain) << m.name;
        }
    }
}

TEST_P(Framework, ChainingAcrossCallsEqualsOneCall)
{
    std::mt19937_64 rng(4);
    for (int iter = 0; iter < 60; ++iter) {
        auto [key, iv, plain, c] = randomRun(rng, 900);
        const std::size_t len = plain.size();
        for (const ModeOps& m : kModes) {
            for (bool enc : {true, false}) {
                const ChainOp op = enc ? m.enc : m.dec;
                Bytes whole(len);
                c->ResetChain();
                (c.get()->*op)(plain.data(), whole.data(), len);
                const Bytes endChain = chainOf(*c);

                Bytes pieces(len);
                c->ResetChain();
                std::size_t pos = 0;
                while (pos < len) {
                    // Every call but the last covers whole blocks (CFB-8 takes any split).
                    std::size_t take = m.mode == cmCFB8bit ? rng() % 40 : 16 * (rng() % 6);
                    if (take > len - pos || rng() % 8 == 0) take = len - pos;
                    (c.get()->*op)(plain.data() + pos, pieces.data() + pos, take);
                    pos += take;
                }
                ASSERT_EQ(toHex(pieces), toHex(whole)) << m.name << (enc ? " encrypt" : " decrypt");
                ASSERT_EQ(chainOf(*c), endChain) << m.name;
            }
        }
    }
}

TEST_P(Framework, FrameworkCbcOverSpecialisedBlocks)
{
    // The framework's own CBC code on this cipher's block transforms (and its
    // multi-block decryption), against Crypto++.
    std::mt19937_64 rng(5);
    for (int iter = 0; iter < 40; ++iter) {
        auto [key, iv, plain, c] = randomRun(rng, 2000);
        const std::size_t len = plain.size();
        Bytes buf = plain;
        c->TDCP_blockcipher128::EncryptCbc(buf.data(), buf.data(), len);
        ASSERT_EQ(buf, refCbc(true, key, iv, plain));
        c->ResetChain();
        c->TDCP_blockcipher128::DecryptCbc(buf.data(), buf.data(), len);
        ASSERT_EQ(buf, plain);
    }
}

TEST_P(Framework, Text)
{
    auto c = make();
    const Bytes key(32, 0x11);
    c->SetKey(key.data(), 256, nullptr);
    EXPECT_EQ(c->EncryptText(""), "");
    EXPECT_EQ(chainOf(*c), aesBlock(key, Bytes(16, 0).data()));
    const std::string one = c->EncryptText("x");
    EXPECT_EQ(one.size(), 4u);
    EXPECT_EQ(one.substr(2), "==");
    EXPECT_EQ(c->DecryptText(""), "");

    std::mt19937_64 rng(6);
    for (int iter = 0; iter < 50; ++iter) {
        const Bytes k = randomBytes(rng, 32);
        const Bytes raw = randomBytes(rng, rng() % 300);
        const std::string text(raw.begin(), raw.end());
        c->SetKey(k.data(), 256, nullptr);
        const std::string b64 = c->EncryptText(text);
        const Bytes iv = aesBlock(k, Bytes(16, 0).data());
        const Bytes ref = refStream(RefMode::Cfb8, true, k, iv, raw);
        ASSERT_EQ(b64, Base64Encode(ref.data(), ref.size()));
        c->ResetChain();
        ASSERT_EQ(c->DecryptText(b64), text);
    }

    // The chain continues from one text to the next.
    c->SetKey(key.data(), 256, nullptr);
    const std::string a = c->EncryptText("first part"), b = c->EncryptText("second");
    c->ResetChain();
    const std::string da = c->DecryptText(a);
    const std::string db = c->DecryptText(b);
    EXPECT_EQ(da + db, "first partsecond");

    // Damaged texts: a trailing incomplete group is ignored, foreign characters refused.
    c->ResetChain();
    const std::string t = c->EncryptText("hello world!");
    c->ResetChain();
    EXPECT_EQ(c->DecryptText(t + "AB"), "hello world!");
    c->ResetChain();
    EXPECT_THROW(c->DecryptText(t.substr(0, 4) + "*" + t.substr(5)), EBase64);
}

TEST_P(Framework, PassphraseKey)
{
    auto c = make();
    for (const std::string& pass : {std::string(), std::string("correct horse battery staple"), std::string(200, 'p')}) {
        c->SetKeyFromPassphrase<TDCP_sha256>(pass);
        ASSERT_TRUE(c->Keyed());
        Bytes digest(32);
        CryptoPP::SHA256().CalculateDigest(digest.data(), reinterpret_cast<const CryptoPP::byte*>(pass.data()),
                                           pass.size());
        const Bytes iv = aesBlock(digest, Bytes(16, 0).data());
        EXPECT_EQ(chainOf(*c), iv);
        const Bytes data(50, 0x42);
        Bytes out(50);
        c->EncryptCbc(data.data(), out.data(), 50);
        EXPECT_EQ(out, refCbc(true, digest, iv, data));
    }
    // A 160-bit SHA-1 digest keys 160 bits (zero-padded to AES-192 by Rijndael).
    if (dynamic_cast<RijndaelProbe*>(c.get())) {
        c->SetKeyFromPassphrase<TDCP_sha1>("abc");
        Bytes key = fromHex("a9993e364706816aba3e25717850c26c9cd0d89d");
        key.resize(24, 0);
        EXPECT_EQ(chainOf(*c), aesBlock(key, Bytes(16, 0).data()));
    }
}

namespace {

class BrokenDigest : public TDCP_hash {
public:
    explicit BrokenDigest(int failAt) : failAt_(failAt) {}
    int HashSize() const override { return failAt_ == 0 ? -1 : (failAt_ == 4 ? 8 : 256); }
    void Start() override { fStarted = true; }
    void Absorb(const void*, std::size_t) override
    {
        if (failAt_ == 1) throw std::bad_alloc();
    }
    void Finish(void* d) override
    {
        if (failAt_ == 2) throw EDCP_hash("Hash not initialized");
        std::memset(d, 0x33, static_cast<std::size_t>(HashSize() / 8));
        Wipe();
    }
    void Wipe() override { fStarted = false; }

private:
    int failAt_;
};

} // namespace

TEST_P(Framework, PassphraseKeyFailures)
{
    auto c = make();
    const Bytes key(32, 1);
    // 0: no digest size; 1: absorb fails; 2: finish fails; 4: 8-bit digest keys fine; 9: no digest object.
    for (int failAt : {0, 1, 2, 9}) {
        c->SetKey(key.data(), 256, nullptr);
        std::unique_ptr<TDCP_hash> d = failAt == 9 ? nullptr : std::make_unique<BrokenDigest>(failAt);
        try {
            c->SetKeyFromPassphrase("pass", std::move(d));
            ADD_FAILURE() << "failure " << failAt << " not reported";
        } catch (const EDCP_cipher& e) {
            EXPECT_STREQ(e.what(), "Unable to allocate sufficient memory for hash digest");
        }
        EXPECT_FALSE(c->Keyed());
    }
    if (dynamic_cast<RijndaelProbe*>(c.get())) {
        c->SetKeyFromPassphrase("pass", std::make_unique<BrokenDigest>(4));
        EXPECT_TRUE(c->Keyed());
    }
}

namespace {

// Hands out the bytes of a string and records the sizes asked for.
class RecordingSource : public ByteSource {
public:
    explicit RecordingSource(Bytes data) : data_(std::move(data)) {}
    std::size_t read(void* buf, std::size_t n) override
    {
        asks.push_back(n);
        const std::size_t got = std::min(n, data_.size() - pos_);
        std::memcpy(buf, data_.data() + pos_, got);
        pos_ += got;
        return got;
    }
    std::vector<std::size_t> asks;

private:
    Bytes data_;
    std::size_t pos_ = 0;
};

class VectorSink : public ByteSink {
public:
    void write(const void* buf, std::size_t n) override
    {
        const auto* p = static_cast<const std::uint8_t*>(buf);
        data.insert(data.end(), p, p + n);
    }
    Bytes data;
};

} // namespace

TEST_P(Framework, StreamData)
{
    std::mt19937_64 rng(8);
    const Bytes key = randomBytes(rng, 32), iv = randomBytes(rng, 16);
    for (std::size_t n : {0u, 1u, 15u, 8191u, 8192u, 8193u, 3u * 8192u + 5u}) {
        const Bytes plain = randomBytes(rng, n);
        for (TDCP_ciphermode mode : {cmCBC, cmCFB8bit}) {
            auto c = make();
            c->SetKey(key.data(), 256, iv.data());
            c->CipherMode = mode;
            RecordingSource src(plain);
            VectorSink dst;
            EXPECT_EQ(c->EncryptStreamData(src, dst, n), n);
            EXPECT_EQ(dst.data, reference(mode, true, key, iv, plain)) << n;
            std::vector<std::size_t> expectAsks(n / 8192, 8192);
            if (n % 8192) expectAsks.push_back(n % 8192);
            EXPECT_EQ(src.asks, expectAsks);

            c->ResetChain();
            RecordingSource back(dst.data);
            VectorSink clear;
            EXPECT_EQ(c->DecryptStreamData(back, clear, n), n);
            EXPECT_EQ(clear.data, plain);
        }
    }
    // A source shorter than the count: only what was read is enciphered and counted.
    auto c = make();
    c->SetKey(key.data(), 256, iv.data());
    const Bytes plain = randomBytes(rng, 10000);
    std::istringstream in(std::string(plain.begin(), plain.end()));
    std::ostringstream out;
    StdByteSource src(in);
    StdByteSink dst(out);
    EXPECT_EQ(c->EncryptStreamData(src, dst, 20000), 10000u);
    const std::string s = out.str();
    EXPECT_EQ(Bytes(s.begin(), s.end()), refCbc(true, key, iv, plain));
}

TEST_P(Framework, WipeClearsKeyMaterial)
{
    auto c = make();
    if (!dynamic_cast<RijndaelProbe*>(c.get())) GTEST_SKIP() << "schedule lives in Crypto++";
    const Bytes key = fromHex("7f3a9c01d2e4b5a6978877665544332211ffeeddccbbaa998877665544332201");
    Bytes swapped(key); // the portable schedule keeps words with the first byte on top
    for (std::size_t i = 0; i < swapped.size(); i += 4) std::reverse(swapped.begin() + i, swapped.begin() + i + 4);
    auto holds = [&](const Bytes& needle) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(c.get());
        const std::size_t size = sizeof(TDCP_rijndael);
        return std::search(p, p + size, needle.begin(), needle.begin() + 16) != p + size;
    };
    c->SetKey(key.data(), 256, nullptr);
    ASSERT_TRUE(holds(key) || holds(swapped)) << "the probe must see the schedule";
    c->Wipe();
    EXPECT_FALSE(holds(key));
    EXPECT_FALSE(holds(swapped));
    EXPECT_FALSE(c->Keyed());
}

INSTANTIATE_TEST_SUITE_P(Ciphers, Framework, ::testing::ValuesIn(subjects()),
                         [](const auto& info) { return info.param.name; });
