#pragma once
// Shared checks for the RC6, MARS, Serpent and Twofish tests: known answers
// from a vector file, comparison of single blocks and of CBC runs with a
// Crypto++ cipher, and the clearing of the key schedule by Wipe.
#include <gtest/gtest.h>

#include <cryptopp/modes.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "SymTestUtil.h"
#include "symcrypto/Cipher.h"

namespace zerath::fourtest {

using symtest::Bytes;
using symtest::fromHex;
using symtest::randomBytes;
using symtest::toHex;

template <class Ours>
void expectVectorFile(const std::string& file)
{
    const auto rows = symtest::readVectorFile(file);
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 3u);
        const Bytes key = fromHex(row[0]), plain = fromHex(row[1]), cipher = fromHex(row[2]);
        Ours c;
        c.SetKey(key.data(), unsigned(key.size() * 8), nullptr);
        std::uint8_t out[16], back[16];
        c.EncryptBlock(plain.data(), out);
        EXPECT_EQ(toHex(out, 16), row[2]) << "key " << row[0];
        c.DecryptBlock(cipher.data(), back);
        EXPECT_EQ(toHex(back, 16), row[1]) << "key " << row[0];
    }
}

// Keys a Crypto++ cipher without its length rule (its key schedules take any
// length the algorithm defines).
template <class Mode>
void keyOracle(Mode& m, const Bytes& key)
{
    m.UncheckedSetKey(key.data(), unsigned(key.size()), CryptoPP::g_nullNameValuePairs);
}

// Random keys of the given length in bytes, several random blocks each, both directions.
template <class Ours, class Theirs>
void expectSameBlocks(std::size_t keyBytes, int keys, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    Ours c;
    typename Theirs::Encryption enc;
    typename Theirs::Decryption dec;
    for (int k = 0; k < keys; ++k) {
        const Bytes key = randomBytes(rng, keyBytes);
        c.SetKey(key.data(), unsigned(keyBytes * 8), nullptr);
        keyOracle(enc, key);
        keyOracle(dec, key);
        for (int b = 0; b < 3; ++b) {
            const Bytes in = randomBytes(rng, 16);
            std::uint8_t ours[16], theirs[16];
            c.EncryptBlock(in.data(), ours);
            enc.ProcessBlock(in.data(), theirs);
            ASSERT_EQ(toHex(ours, 16), toHex(theirs, 16)) << "encrypt, key " << toHex(key);
            c.DecryptBlock(in.data(), ours);
            dec.ProcessBlock(in.data(), theirs);
            ASSERT_EQ(toHex(ours, 16), toHex(theirs, 16)) << "decrypt, key " << toHex(key);
        }
    }
}

// Keys of 256, 128 and 192 bits (seeds firstSeed, +1, +2), then `keysEach`
// keys of every length from 1 to lastBytes bytes (seed oddSeed + length).
template <class Ours, class Theirs>
void expectSameBlocksForKeyLengths(std::uint64_t firstSeed, std::size_t lastBytes, int keysEach, std::uint64_t oddSeed)
{
    expectSameBlocks<Ours, Theirs>(32, 2000, firstSeed);
    expectSameBlocks<Ours, Theirs>(16, 500, firstSeed + 1);
    expectSameBlocks<Ours, Theirs>(24, 500, firstSeed + 2);
    for (std::size_t bytes = 1; bytes <= lastBytes; ++bytes) expectSameBlocks<Ours, Theirs>(bytes, keysEach, oddSeed + bytes);
}

// CBC through the framework (several calls, in place) against Crypto++'s CBC
// of the same cipher over whole blocks.
template <class Ours, class Theirs>
void expectSameCbc(int runs, std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    for (int r = 0; r < runs; ++r) {
        const Bytes key = randomBytes(rng, 32), iv = randomBytes(rng, 16);
        const std::size_t blocks = 1 + rng() % 1200;
        const Bytes plain = randomBytes(rng, blocks * 16);

        Bytes expected(plain.size()), back(plain.size());
        {
            typename CryptoPP::CBC_Mode<Theirs>::Encryption e(key.data(), key.size(), iv.data());
            e.ProcessData(expected.data(), plain.data(), plain.size());
        }
        Ours c;
        c.SetKey(key.data(), 256, iv.data());
        Bytes buf = plain;
        const std::size_t split = 16 * (rng() % (blocks + 1));
        c.EncryptCbc(buf.data(), buf.data(), split);
        c.EncryptCbc(buf.data() + split, buf.data() + split, buf.size() - split);
        ASSERT_EQ(toHex(buf), toHex(expected)) << "CBC encryption, run " << r;

        c.SetIv(iv.data());
        c.DecryptCbc(buf.data(), buf.data(), split);
        c.DecryptCbc(buf.data() + split, buf.data() + split, buf.size() - split);
        ASSERT_EQ(toHex(buf), toHex(plain)) << "CBC decryption, run " << r;
        {
            typename CryptoPP::CBC_Mode<Theirs>::Decryption d(key.data(), key.size(), iv.data());
            d.ProcessData(back.data(), expected.data(), expected.size());
        }
        ASSERT_EQ(toHex(back), toHex(plain));
    }
}

template <class T>
bool allZero(const T& words)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(&words);
    return std::all_of(p, p + sizeof words, [](std::uint8_t b) { return b == 0; });
}

// After Wipe the schedule is clear and every chaining call refuses to run.
template <class Probe>
void expectWipeClears()
{
    Probe c;
    std::uint8_t key[32], buf[32] = {};
    for (int i = 0; i < 32; ++i) key[i] = std::uint8_t(3 * i + 1);
    c.SetKey(key, 256, nullptr);
    EXPECT_FALSE(c.scheduleClear());
    c.Wipe();
    EXPECT_TRUE(c.scheduleClear());
    EXPECT_FALSE(c.Keyed());
    try {
        c.EncryptCbc(buf, buf, sizeof buf);
        ADD_FAILURE() << "EncryptCbc after Wipe did not fail";
    } catch (const EDCP_blockcipher& e) {
        EXPECT_STREQ(e.what(), "Cipher not initialized");
    }
    EXPECT_THROW(c.DecryptCbc(buf, buf, sizeof buf), EDCP_blockcipher);
    // Keyed again after a wipe, the object works as a fresh one.
    c.SetKey(key, 256, nullptr);
    std::uint8_t a[16], b[16], zero[16] = {};
    c.EncryptBlock(zero, a);
    Probe fresh;
    fresh.SetKey(key, 256, nullptr);
    fresh.EncryptBlock(zero, b);
    EXPECT_EQ(0, std::memcmp(a, b, 16));
}

template <class Ours>
void expectKeySizeLimit(unsigned maxBits)
{
    Ours c;
    std::vector<std::uint8_t> key(maxBits / 8 + 2, 0x5A);
    EXPECT_NO_THROW(c.SetKey(key.data(), 256, nullptr));
    EXPECT_NO_THROW(c.SetKey(key.data(), maxBits, nullptr));
    try {
        c.SetKey(key.data(), maxBits + 4, nullptr);
        ADD_FAILURE() << "key of " << maxBits + 4 << " bits accepted";
    } catch (const EDCP_cipher& e) {
        EXPECT_STREQ(e.what(), "Invalid key size");
    }
}

} // namespace zerath::fourtest
