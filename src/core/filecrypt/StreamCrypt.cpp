#include "filecrypt/StreamCrypt.h"

#include "common/Error.h"
#include "common/InputFile.h"
#include "filecrypt/CryptStreams.h"
#include "filecrypt/FileCommands.h"
#include "filecrypt/SessionKey.h"
#include "pubkey/SystemRandom.h"
#include "symcrypto/CipherList.h"

namespace zerath {

namespace {

constexpr std::size_t kStreamPiece = 1 << 20; // whole CBC blocks

} // namespace

std::unique_ptr<TDCP_blockcipher128> StartFileCipher(const RecipientKey& recipient, int cipherIndex,
                                                     EncryptedFileHeader& header)
{
    auto cipher = makeCipher(cipherIndex);
    SecureBytes sessionKey(32);
    osRandomBytes(sessionKey.data(), sessionKey.size());
    header.cipherNumber = static_cast<std::uint8_t>(cipherIndex);
    recipient.wrap(sessionKeyText(sessionKey.data(), sessionKey.size()), header.keyCheck, header.wrappedKey);
    osRandomBytes(header.iv.data(), header.iv.size());
    cipher->SetKey(sessionKey.data(), 256, header.iv.data());
    cipher->CipherMode = cmCBC;
    return cipher;
}

void EncryptStream(const KeyRecord& recipient, int cipherIndex, int compressionIndex, InputFile& in,
                   ByteSink& out, const StreamProgress& progress)
{
    EncryptedFileHeader header;
    const auto cipher = StartFileCipher(RecipientKey(recipient), cipherIndex, header);
    const std::string head = header.serialize();
    out.write(head.data(), head.size());
    CbcEncryptingSink cbc(*cipher, out);
    const auto compressor = makeCompressor(compressionIndex, cbc, kStreamPiece);
    SecureBytes piece(kStreamPiece);
    std::uint64_t done = 0;
    while (const std::size_t n = in.read(piece.data(), piece.size())) {
        compressor->write(piece.data(), n);
        done += n;
        if (progress) progress(done);
    }
    compressor->finish();
    cbc.finish();
    cipher->Wipe();
}

std::unique_ptr<TDCP_blockcipher128> OpenFileCipher(const KeyRecord& record, const EncryptedFileHeader& header,
                                                    std::string_view passphrase, KeyPairCache* keyPairs)
{
    std::uint32_t check = 0;
    SecureString keyText;
    try {
        if (keyPairs) keyPairs->DecryptSymKey(record, header.wrappedKey, passphrase, check, keyText);
        else DecryptSymKey(record, header.wrappedKey, passphrase, check, keyText);
    } catch (...) {
        throw UserMessage(UserMessage::ErrorBox, "Decryption Error!, operation aborted");
    }
    if (check != header.keyCheck)
        throw UserMessage(UserMessage::ErrorBox, "The Private Key does not match the public key used for encryption.");
    const SecureBytes sessionKey = sessionKeyBytes(keyText);
    if (!isValidCipherIndex(header.cipherNumber)) throw UserMessage(UserMessage::ErrorBox, kDecryptError);
    auto cipher = makeCipher(header.cipherNumber);
    cipher->SetKey(sessionKey.data(), 256, header.iv.data());
    cipher->CipherMode = cmCBC;
    return cipher;
}

void DecryptStream(const KeyRecord& record, std::string_view passphrase, const EncryptedFileHeader& header,
                   InputFile& in, ByteSink& out, const StreamProgress& progress)
{
    const auto cipher = OpenFileCipher(record, header, passphrase);
    Inflater inflater(out);
    SecureBytes piece(kStreamPiece);
    std::uint64_t done = 0;
    // Pieces are whole blocks until the last, so only the stream's very end
    // takes the CBC tail rule.
    while (!inflater.finished()) {
        const std::size_t n = in.read(piece.data(), piece.size());
        if (n == 0) break;
        cipher->DecryptCbc(piece.data(), piece.data(), n);
        inflater.write(piece.data(), n);
        done += n;
        if (progress) progress(done);
    }
    cipher->Wipe();
    if (!inflater.finished()) throw Error("Incomplete compressed data");
}

} // namespace zerath
