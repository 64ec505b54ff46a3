#include "filecrypt/FileKind.h"

#include <fstream>

#include "pubkey/KeyFile.h"

namespace zerath {

namespace {

bool endsWithNoCase(const std::string& name, const std::string& suffix)
{
    if (name.size() < suffix.size()) return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = name[name.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != suffix[i]) return false;
    }
    return true;
}

bool startsWithKeyMarker(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string first(kPrivateKeyBeginMarker.size(), '\0');
    in.read(first.data(), static_cast<std::streamsize>(first.size()));
    first.resize(static_cast<std::size_t>(in.gcount()));
    return first.starts_with(kPublicKeyBeginMarker) || first.starts_with(kPrivateKeyBeginMarker);
}

} // namespace

FileKind KindOfFile(const std::string& path)
{
    if (endsWithNoCase(path, ".akf") || startsWithKeyMarker(path)) return FileKind::KeyFile;
    if (HasEncryptedName(path)) return FileKind::Encrypted;
    return FileKind::Other;
}

bool HasEncryptedName(const std::string& path)
{
    return endsWithNoCase(path, ".enc");
}

} // namespace zerath
