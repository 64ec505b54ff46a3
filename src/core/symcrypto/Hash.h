#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/Error.h"

namespace zerath {

// Raised by the digests ("Hash not initialized").
class EDCP_hash : public Error {
public:
    using Error::Error;
};

// Base of the message digests. Use: Start, Absorb/AbsorbText as often as needed,
// Finish into a buffer of HashSize()/8 bytes.
class TDCP_hash {
public:
    virtual ~TDCP_hash() = default; // concrete digests wipe a started state in their destructors

    virtual int Id() const { return -1; }
    virtual std::string Algorithm() const { return std::string(); }
    virtual int HashSize() const { return -1; }
    virtual bool CheckVectors() { return false; }

    virtual void Start() = 0;
    virtual void Finish(void* digest) = 0; // "Hash not initialized" when not started; wipes afterwards
    virtual void Wipe() = 0;
    virtual void Absorb(const void* data, std::size_t length) = 0; // "Hash not initialized" when not started

    void AbsorbText(std::string_view text) { Absorb(text.data(), text.size()); }
    bool Started() const { return fStarted; }

protected:
    bool fStarted = false;
};

} // namespace zerath
