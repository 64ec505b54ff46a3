#pragma once
// Encryption and decryption of a byte stream (a pipe, standard input or
// output) in one pass and bounded memory. The file layout needs no size up
// front: the header comes first and the ciphertext is the CBC chain of a zlib
// stream whose end the stream itself marks. Decryption hands the plain bytes on
// as they come, so a damaged stream is known only when its Adler-32 at the end
// fails to match; the caller decides what becomes of what was written by then.
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "common/Secure.h"
#include "filecrypt/EncryptedFileHeader.h"
#include "filecrypt/PieceStage.h"
#include "keyring/KeyRecord.h"

namespace zerath {

class InputFile;
class KeyPairCache;
class RecipientKey;
class TDCP_blockcipher128;

// Told the input bytes consumed so far.
using StreamProgress = std::function<void(std::uint64_t done)>;

// The start of a new encrypted file: a fresh session key and vector from the
// system's source, the key wrapped for the recipient into the header, and the
// cipher of cipherIndex keyed for CBC with them.
std::unique_ptr<TDCP_blockcipher128> StartFileCipher(const RecipientKey& recipient, int cipherIndex,
                                                     EncryptedFileHeader& header);

// Writes the header and the ciphertext of everything read from in for the
// recipient's record (checked as RecipientKey does); fresh session key and
// vector from the system's source.
void EncryptStream(const KeyRecord& recipient, int cipherIndex, int compressionIndex, InputFile& in,
                   ByteSink& out, const StreamProgress& progress = {});

// The cipher of a file's body, keyed for CBC with the file's session key:
// that is unwrapped with the passphrase ("Decryption Error!, operation
// aborted" when that fails) and checked against the header's key check value
// ("The Private Key does not match the public key used for encryption.").
// An unknown cipher fails with "An error occurred while decrypting the file".
std::unique_ptr<TDCP_blockcipher128> OpenFileCipher(const KeyRecord& record, const EncryptedFileHeader& header,
                                                    std::string_view passphrase, KeyPairCache* keyPairs = nullptr);

// Deciphers and decompresses what follows a header already read from in,
// writing as it goes. The record's passphrase has been checked. Unwrapping
// failures give "Decryption Error!, operation aborted", a file made for
// another key "The Private Key does not match the public key used for
// encryption."; a damaged or short stream, or a failing check value, fails
// after everything before it was written.
void DecryptStream(const KeyRecord& record, std::string_view passphrase, const EncryptedFileHeader& header,
                   InputFile& in, ByteSink& out, const StreamProgress& progress = {});

} // namespace zerath
