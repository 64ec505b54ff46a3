#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zerath {

// Overwrites memory in a way the optimiser may not drop.
void secureZero(void* p, std::size_t n) noexcept;

template <class T>
struct ZeroingAllocator {
    using value_type = T;
    ZeroingAllocator() noexcept = default;
    template <class U> ZeroingAllocator(const ZeroingAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return std::allocator<T>{}.allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept
    {
        secureZero(p, n * sizeof(T));
        std::allocator<T>{}.deallocate(p, n);
    }
    template <class U> bool operator==(const ZeroingAllocator<U>&) const noexcept { return true; }
    template <class U> bool operator!=(const ZeroingAllocator<U>&) const noexcept { return false; }
};

// Bytes that held key material: cleared when released.
using SecureBytes = std::vector<std::uint8_t, ZeroingAllocator<std::uint8_t>>;

// Text that held a passphrase or a deciphered key: its heap buffer is cleared when
// released, and the destructor also clears the inline (short string) storage.
class SecureString : public std::basic_string<char, std::char_traits<char>, ZeroingAllocator<char>> {
    using Base = std::basic_string<char, std::char_traits<char>, ZeroingAllocator<char>>;
public:
    using Base::Base;
    SecureString() = default;
    SecureString(const std::string& s) : Base(s.data(), s.size()) {}
    SecureString(std::string_view s) : Base(s.data(), s.size()) {}
    SecureString(const SecureString&) = default;
    SecureString(SecureString&&) = default;
    SecureString& operator=(const SecureString&) = default;
    SecureString& operator=(SecureString&&) = default;
    ~SecureString() { wipe(); }
    void wipe() noexcept
    {
        if (!empty()) secureZero(data(), size());
        clear();
    }
    std::string_view view() const noexcept { return {data(), size()}; }
    operator std::string_view() const noexcept { return view(); }
};

// Clears a plain std::string that held a secret (contents, not just length).
void wipeString(std::string& s) noexcept;

} // namespace zerath
