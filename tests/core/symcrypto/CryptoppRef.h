#pragma once
// Reference results of the chaining modes, computed with Crypto++'s AES.
#include <cryptopp/aes.h>
#include <cryptopp/modes.h>

#include <cstring>

#include "SymTestUtil.h"

namespace zerath::symtest {

inline Bytes aesBlock(const Bytes& key, const std::uint8_t* in)
{
    CryptoPP::AES::Encryption e(key.data(), key.size());
    Bytes out(16);
    e.ProcessBlock(in, out.data());
    return out;
}

// CBC as the framework defines it: whole blocks by Crypto++'s CBC mode, a
// tail of r bytes xored with the encryption of the last chaining value.
inline Bytes refCbc(bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& in)
{
    const std::size_t whole = in.size() / 16 * 16;
    Bytes out(in.size());
    if (whole) {
        if (encrypt) {
            CryptoPP::CBC_Mode<CryptoPP::AES>::Encryption m(key.data(), key.size(), iv.data());
            m.ProcessData(out.data(), in.data(), whole);
        } else {
            CryptoPP::CBC_Mode<CryptoPP::AES>::Decryption m(key.data(), key.size(), iv.data());
            m.ProcessData(out.data(), in.data(), whole);
        }
    }
    if (in.size() > whole) {
        const std::uint8_t* cv = whole ? (encrypt ? out.data() : in.data()) + whole - 16 : iv.data();
        const Bytes ks = aesBlock(key, cv);
        for (std::size_t i = whole; i < in.size(); ++i) out[i] = in[i] ^ ks[i - whole];
    }
    return out;
}

enum class RefMode { Cfb8, CfbBlock, Ofb, Ctr };

inline Bytes refStream(RefMode mode, bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& in)
{
    Bytes out(in.size());
    if (in.empty()) return out;
    using namespace CryptoPP;
    switch (mode) {
    case RefMode::Cfb8:
        if (encrypt) {
            CFB_Mode<AES>::Encryption m(key.data(), key.size(), iv.data(), 1);
            m.ProcessData(out.data(), in.data(), in.size());
        } else {
            CFB_Mode<AES>::Decryption m(key.data(), key.size(), iv.data(), 1);
            m.ProcessData(out.data(), in.data(), in.size());
        }
        break;
    case RefMode::CfbBlock:
        if (encrypt) {
            CFB_Mode<AES>::Encryption m(key.data(), key.size(), iv.data());
            m.ProcessData(out.data(), in.data(), in.size());
        } else {
            CFB_Mode<AES>::Decryption m(key.data(), key.size(), iv.data());
            m.ProcessData(out.data(), in.data(), in.size());
        }
        break;
    case RefMode::Ofb: {
        OFB_Mode<AES>::Encryption m(key.data(), key.size(), iv.data());
        m.ProcessData(out.data(), in.data(), in.size());
        break;
    }
    case RefMode::Ctr: {
        CTR_Mode<AES>::Encryption m(key.data(), key.size(), iv.data());
        m.ProcessData(out.data(), in.data(), in.size());
        break;
    }
    }
    return out;
}

} // namespace zerath::symtest
