#include "pubkey/KeyFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "common/Error.h"
#include "common/FileIO.h"
#include "symcrypto/Base64.h"
#include "symcrypto/Crc32.h"
#include "symcrypto/Rijndael.h"
#include "symcrypto/Sha1.h"
#include "symcrypto/Sha256.h"

namespace zerath {

namespace {

const char kHexUpper[] = "0123456789ABCDEF";

bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameTextIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

// zlib's own buffers (the deflate window, the inflate window) hold the plain
// body while they work: they are cleared before they are given back.
constexpr std::size_t kAllocHeader = 16; // keeps the block 16-byte aligned

voidpf zeroingAlloc(voidpf, uInt items, uInt size)
{
    const std::size_t n = static_cast<std::size_t>(items) * size;
    auto* p = static_cast<unsigned char*>(std::malloc(n + kAllocHeader));
    if (!p) return Z_NULL;
    std::memcpy(p, &n, sizeof n);
    return p + kAllocHeader;
}

void zeroingFree(voidpf, voidpf address)
{
    if (!address) return;
    auto* p = static_cast<unsigned char*>(address) - kAllocHeader;
    std::size_t n = 0;
    std::memcpy(&n, p, sizeof n);
    secureZero(address, n);
    std::free(p);
}

} // namespace

std::string CalcFingerPrint(std::string_view text)
{
    try {
        TDCP_sha1 hash;
        std::uint8_t digest[20];
        hash.Start();
        hash.AbsorbText(text);
        hash.Finish(digest);
        std::string out;
        out.reserve(40);
        for (std::uint8_t b : digest) {
            out.push_back(kHexUpper[b >> 4]);
            out.push_back(kHexUpper[b & 0x0F]);
        }
        return out;
    } catch (...) {
        throw Error("Key Fingerprint Calculation Error");
    }
}

std::string CalcKeyID(std::string_view fingerPrint)
{
    if (fingerPrint.size() <= 8) return std::string(fingerPrint);
    return std::string(fingerPrint.substr(fingerPrint.size() - 8));
}

std::string KeyCRCText(std::string_view text)
{
    std::uint32_t crc = 0;
    CalcCRC32(text, crc);
    return CRC32ToText(crc);
}

bool CheckKeyCRC(SecureString& text)
{
    if (text.size() < 8) throw Error("Key file Corrupted, operation aborted");
    const std::string_view all = text.view();
    const std::string_view stored = all.substr(all.size() - 8);
    const std::string_view body = all.substr(0, all.size() - 8);
    if (KeyCRCText(body) != stored) throw Error("Key file Corrupted, operation aborted");
    // Shrinking in place keeps the buffer; the dropped CRC is not secret.
    text.resize(body.size());
    return true;
}

void WrapKeyLines(std::vector<std::string>& lines)
{
    std::string whole;
    for (const auto& l : lines) {
        whole += l;
        whole += "\r\n";
    }
    lines.clear();
    for (std::size_t pos = 0; pos < whole.size(); pos += kKeyLineWidth)
        lines.push_back(whole.substr(pos, kKeyLineWidth));
}

std::vector<std::string> SplitKeyFileLines(std::string_view content)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < content.size()) {
        const char c = content[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(content.substr(start, i - start));
            if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < content.size()) lines.emplace_back(content.substr(start));
    return lines;
}

std::string_view TrimKeyText(std::string_view text)
{
    std::size_t b = 0, e = text.size();
    while (b < e && isBlankOrControl(text[b])) ++b;
    while (e > b && isBlankOrControl(text[e - 1])) --e;
    return text.substr(b, e - b);
}

std::string ArmouredTextOf(std::string_view content)
{
    std::string joined;
    for (const auto& line : SplitKeyFileLines(content))
        if (line.empty() || line[0] != '#') joined += line;
    return std::string(TrimKeyText(joined));
}

std::string FormatKeyFile(std::string_view beginMarker, std::string_view endMarker, std::string_view base64)
{
    std::vector<std::string> lines{std::string(base64)};
    WrapKeyLines(lines);
    std::string out;
    out.reserve(base64.size() + 3 * lines.size() + beginMarker.size() + endMarker.size() + 8);
    out.append(beginMarker).append("\r\n");
    for (const auto& l : lines) out.append(l).append("\r\n");
    out.append(endMarker).append("\r\n");
    return out;
}

SecureBytes CompressBest(std::string_view data)
{
    // What compress2 does at level 9 (default window, memory level and
    // strategy), with allocators that clear zlib's buffers.
    z_stream zs{};
    zs.zalloc = zeroingAlloc;
    zs.zfree = zeroingFree;
    if (deflateInit(&zs, Z_BEST_COMPRESSION) != Z_OK) throw Error("Compression error");
    SecureBytes out(deflateBound(&zs, static_cast<uLong>(data.size())));
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&zs, Z_FINISH);
    const std::size_t produced = out.size() - zs.avail_out;
    deflateEnd(&zs);
    if (rc != Z_STREAM_END) throw Error("Compression error");
    out.resize(produced);
    return out;
}

SecureString DecompressCapped(const void* data, std::size_t n, std::size_t maxOut)
{
    z_stream zs{};
    zs.zalloc = zeroingAlloc;
    zs.zfree = zeroingFree;
    if (inflateInit(&zs) != Z_OK) throw Error("Decompression error");
    struct End {
        z_stream* zs;
        ~End() { inflateEnd(zs); }
    } end{&zs};

    zs.next_in = const_cast<Bytef*>(static_cast<const Bytef*>(data));
    zs.avail_in = static_cast<uInt>(n);
    SecureString out;
    out.reserve(std::min<std::size_t>(maxOut, std::max<std::size_t>(4 * n, 256)));
    Bytef buf[4096];
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        zs.next_out = buf;
        zs.avail_out = sizeof buf;
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            secureZero(buf, sizeof buf);
            throw Error("Decompression error");
        }
        const std::size_t got = sizeof buf - zs.avail_out;
        if (out.size() + got > maxOut) {
            secureZero(buf, sizeof buf);
            throw Error("Decompression error");
        }
        // SecureString grows through its zeroing allocator, so no copy is left behind.
        out.append(reinterpret_cast<const char*>(buf), got);
        if (rc == Z_OK && got == 0 && zs.avail_in == 0) {
            secureZero(buf, sizeof buf);
            throw Error("Decompression error"); // truncated stream
        }
    }
    secureZero(buf, sizeof buf);
    if (zs.avail_in != 0) throw Error("Decompression error"); // bytes after the stream
    return out;
}

std::string SealKeyBody(std::string_view body, std::string_view passphrase)
{
    try {
        SecureBytes packed = CompressBest(body);
        TDCP_rijndael cipher;
        cipher.SetKeyFromPassphrase<TDCP_sha256>(passphrase);
        std::string armour = cipher.EncryptText(
            std::string_view(reinterpret_cast<const char*>(packed.data()), packed.size()));
        cipher.Wipe();
        return armour;
    } catch (...) {
        throw Error("Encryption Error");
    }
}

SecureString OpenKeyBody(std::string_view armoured, std::string_view passphrase)
{
    std::string packed;
    try {
        TDCP_rijndael cipher;
        cipher.SetKeyFromPassphrase<TDCP_sha256>(passphrase);
        packed = cipher.DecryptText(armoured);
        cipher.Wipe();
        SecureString plain = DecompressCapped(packed.data(), packed.size(), kMaxKeyBodyBytes);
        wipeString(packed);
        const std::string_view trimmed = TrimKeyText(plain.view());
        if (trimmed.size() == plain.size()) return plain;
        return SecureString(trimmed);
    } catch (...) {
        wipeString(packed);
        throw Error("RSA Key decryption Error. Corrupted key file!");
    }
}

KeyIniText::KeyIniText(std::string_view text)
{
    bool inSection = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = TrimKeyText(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;

        if (line.empty() || line[0] == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            sections_.emplace_back(TrimKeyText(line.substr(1, line.size() - 2)));
            inSection = true;
            continue;
        }
        if (!inSection) continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        entries_.push_back(Entry{sections_.size() - 1, SecureString(TrimKeyText(line.substr(0, eq))),
                                 SecureString(TrimKeyText(line.substr(eq + 1)))});
    }
}

KeyIniText::~KeyIniText() = default;

SecureString KeyIniText::Read(std::string_view section, std::string_view key) const
{
    // Only the first section of that name counts, the first key of that name in it.
    std::size_t index = sections_.size();
    for (std::size_t i = 0; i < sections_.size(); ++i)
        if (sameTextIgnoringCase(sections_[i], section)) {
            index = i;
            break;
        }
    if (index == sections_.size()) return SecureString();
    for (const auto& e : entries_)
        if (e.section == index && sameTextIgnoringCase(e.key.view(), key)) return e.value;
    return SecureString();
}

void WriteKeyFile(const std::string& path, std::string_view beginMarker, std::string_view endMarker,
                  std::string_view base64, mode_t mode)
{
    const std::string content = FormatKeyFile(beginMarker, endMarker, base64);
    AtomicFile file(path, mode);
    file.write(content);
    file.commit();
}

std::string ReadKeyFileArmour(const std::string& path)
{
    const std::string content = readWholeFile(path, kMaxKeyFileBytes);
    return ArmouredTextOf(content);
}

} // namespace zerath
