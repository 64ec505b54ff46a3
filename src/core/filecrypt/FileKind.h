#pragma once
// What a file given to the program is, for "Open with" and drops: a key file
// (its first line is a public or private key file's begin marker, or its name
// ends in ".akf"), an encrypted file (its name ends in ".enc": the format has no
// magic bytes) or any other file, to be encrypted. Letter case of the extension
// does not matter.
#include <string>

namespace zerath {

enum class FileKind { KeyFile, Encrypted, Other };

FileKind KindOfFile(const std::string& path);

// Whether the name ends in ".enc", in any letter case: an encrypted file's name.
bool HasEncryptedName(const std::string& path);

} // namespace zerath
