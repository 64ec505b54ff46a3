#pragma once
// The block cipher framework: key set-up, the chaining modes and text/stream
// helpers shared by the five ciphers. Concrete ciphers only add their key
// schedule (ExpandKey) and their single-block transforms.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/Error.h"
#include "symcrypto/Hash.h"

namespace zerath {

class EDCP_cipher : public Error {
public:
    using Error::Error;
};
class EDCP_blockcipher : public Error {
public:
    using Error::Error;
};

enum TDCP_ciphermode { cmCBC, cmCFB8bit, cmCFBblock, cmOFB, cmCTR };

// Where a stream of bytes goes (the file pipeline's stages write to these).
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const void* buf, std::size_t n) = 0;
};

class TDCP_cipher {
public:
    TDCP_cipher() = default;
    TDCP_cipher(const TDCP_cipher&) = delete;
    TDCP_cipher& operator=(const TDCP_cipher&) = delete;
    virtual ~TDCP_cipher() = default; // concrete ciphers call Wipe() in their destructors

    virtual int Id() const { return -1; }
    virtual std::string Algorithm() const { return std::string(); }
    virtual int MaxKeySize() const { return -1; }
    virtual bool CheckVectors() { return false; }

    // "Invalid key size" for 0 bits, bits not a multiple of 4, or above MaxKeySize.
    // iv may be null: the vector is then the encryption of the all-zero block.
    virtual void SetKey(const void* key, unsigned bits, const void* iv);
    virtual void Wipe() { fKeyed = false; }
    virtual void ResetChain() {}
    virtual void EncryptData(const void* in, void* out, std::size_t n) { (void)in; (void)out; (void)n; }
    virtual void DecryptData(const void* in, void* out, std::size_t n) { (void)in; (void)out; (void)n; }
    virtual std::string EncryptText(std::string_view text);
    virtual std::string DecryptText(std::string_view base64);

    // Key := digest of the text's bytes (fresh digest object), no vector.
    // Any failure: EDCP_cipher "Unable to allocate sufficient memory for hash digest".
    void SetKeyFromPassphrase(std::string_view text, std::unique_ptr<TDCP_hash> freshDigest);
    template <class Digest> void SetKeyFromPassphrase(std::string_view text)
    {
        SetKeyFromPassphrase(text, std::make_unique<Digest>());
    }

    bool Keyed() const { return fKeyed; }

protected:
    bool fKeyed = false;
};

class TDCP_blockcipher : public TDCP_cipher {
public:
    TDCP_ciphermode CipherMode = cmCBC;

    virtual int BlockSize() const { return -1; }
    virtual void SetIv(const void* iv) { (void)iv; }
    virtual void GetChain(void* out) const { (void)out; }
    // The single-block transforms. The framework never passes overlapping in/out.
    virtual void EncryptBlock(const void* in, void* out) const = 0;
    virtual void DecryptBlock(const void* in, void* out) const = 0;

    void EncryptData(const void* in, void* out, std::size_t n) override; // dispatch on CipherMode
    void DecryptData(const void* in, void* out, std::size_t n) override;
    std::string EncryptText(std::string_view text) override;   // CFB-8 then base64
    std::string DecryptText(std::string_view base64) override; // base64 then CFB-8

    virtual void EncryptCbc(const void*, void*, std::size_t) {}
    virtual void DecryptCbc(const void*, void*, std::size_t) {}
    virtual void EncryptCfb8(const void*, void*, std::size_t) {}
    virtual void DecryptCfb8(const void*, void*, std::size_t) {}
    virtual void EncryptCfbBlock(const void*, void*, std::size_t) {}
    virtual void DecryptCfbBlock(const void*, void*, std::size_t) {}
    virtual void EncryptOfb(const void*, void*, std::size_t) {}
    virtual void DecryptOfb(const void*, void*, std::size_t) {}
    virtual void EncryptCtr(const void*, void*, std::size_t) {}
    virtual void DecryptCtr(const void*, void*, std::size_t) {}

protected:
    virtual void ExpandKey(const void* key, unsigned bits) { (void)key; (void)bits; }
};

// 128-bit blocks: IV and CV, the ten chaining operations.
class TDCP_blockcipher128 : public TDCP_blockcipher {
public:
    TDCP_blockcipher128();
    int BlockSize() const override { return 128; }
    void SetKey(const void* key, unsigned bits, const void* iv) override;
    void Wipe() override;        // IV and CV := all 0xFF, Keyed := false
    void ResetChain() override;  // CV := IV ("Cipher not initialized" before a key)
    void SetIv(const void* iv) override;
    void GetChain(void* out) const override;

    // Every chaining call checks Keyed ("Cipher not initialized"); in and out may be the same buffer.
    void EncryptCbc(const void* in, void* out, std::size_t n) override;
    void DecryptCbc(const void* in, void* out, std::size_t n) override;
    void EncryptCfb8(const void* in, void* out, std::size_t n) override;
    void DecryptCfb8(const void* in, void* out, std::size_t n) override;
    void EncryptCfbBlock(const void* in, void* out, std::size_t n) override;
    void DecryptCfbBlock(const void* in, void* out, std::size_t n) override;
    void EncryptOfb(const void* in, void* out, std::size_t n) override;
    void DecryptOfb(const void* in, void* out, std::size_t n) override;
    void EncryptCtr(const void* in, void* out, std::size_t n) override;
    void DecryptCtr(const void* in, void* out, std::size_t n) override;

protected:
    // Several blocks at once; a cipher with a faster multi-block path (AES
    // instructions) overrides these. The defaults loop over DecryptBlock/EncryptBlock.
    // in and out never overlap when DecryptCbc calls it.
    virtual void DecryptBlocks(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const;

    // Helpers for ciphers that specialise the chaining operations.
    void CheckKeyed() const; // "Cipher not initialized"
    void EncryptChainValue(); // CV := EncryptBlock(CV)
    // CBC tail of r < 16 bytes, both directions: CV := E(CV); out := in xor CV[0..r).
    void CbcTail(const std::uint8_t* in, std::uint8_t* out, std::size_t r);
    void IncrementCounter(); // CV as a 128-bit big-endian counter, carry out of CV[0] lost
    // EncryptCbc for a cipher with a transform on the four little-endian words
    // of a block (defined in symcrypto/BlockWords.h): checks Keyed, chains the
    // whole blocks without a virtual call each, then the CBC tail.
    template <class EncryptWords>
    void EncryptCbcWords(const void* in, void* out, std::size_t n, EncryptWords encrypt);

    std::uint8_t IV[16];
    std::uint8_t CV[16];
};

} // namespace zerath
