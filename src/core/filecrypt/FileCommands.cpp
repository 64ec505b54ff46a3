#include "filecrypt/FileCommands.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "common/Cancelled.h"
#include "common/Error.h"
#include "common/FileIO.h"
#include "common/FolderBatch.h"
#include "common/FileState.h"
#include "common/InputFile.h"
#include "filecrypt/CryptStreams.h"
#include "filecrypt/EncryptedFileHeader.h"
#include "filecrypt/FileKind.h"
#include "filecrypt/KeyMatch.h"
#include "common/TaskPool.h"
#include "filecrypt/SessionKey.h"
#include "filecrypt/StreamCrypt.h"
#include "keyring/KeyRing.h"
#include "keyring/KeyRules.h"
#include "pubkey/SystemRandom.h"
#include "symcrypto/CipherList.h"

namespace zerath {

namespace {

constexpr std::size_t kPiece = kDefaultPiece; // at most this much work between two pump calls
constexpr std::size_t kStageBuffers = 4; // pieces each stage holds
constexpr std::size_t kSmallestPiece = 4096;
constexpr std::size_t kInflatedPiece = 64 * 1024; // what a small file's output is written in

// The piece size in effect: whole CBC blocks, at most kPiece, and no more
// than a file of `size` bytes needs (buffers are touched, and so paid for,
// whole: a small file must not cost a megabyte of fresh memory).
std::size_t pieceOf(std::size_t wanted, std::uint64_t size)
{
    std::size_t piece = wanted == 0 || wanted > kPiece ? kPiece : wanted;
    const std::uint64_t enough = std::max<std::uint64_t>(size, kSmallestPiece);
    if (enough < piece) piece = static_cast<std::size_t>(enough);
    return (piece + 15) / 16 * 16;
}

bool isExistingFile(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

class AtomicFileSink : public ByteSink {
public:
    explicit AtomicFileSink(AtomicFile& file) : file_(file) {}
    void write(const void* buf, std::size_t n) override { file_.write(buf, n); }

private:
    AtomicFile& file_;
};

// Hides the progress window and restores the cursor on every way out.
class ProgressScope {
public:
    explicit ProgressScope(FileCommandUi& ui) : ui_(ui)
    {
        ui_.setBusy(true);
        ui_.showProgress(true);
    }
    ~ProgressScope()
    {
        ui_.showProgress(false);
        ui_.setBusy(false);
    }

private:
    FileCommandUi& ui_;
};

// Lets the windows paint, then stops the command when the user cancelled it.
void pumpAndCheck(FileCommandUi& ui)
{
    ui.pump().processEvents();
    if (ui.cancelRequested()) throw OperationCancelled();
}

void triple(FileCommandUi& ui, const char* l1, const char* l2, const char* l3, int bold)
{
    ui.setProgressLines(l1, l2, l3, bold);
    pumpAndCheck(ui);
}

// The key pair that opens the file: the selected one when it does, else the
// only own key pair that does, else the one the user picks among several.
// When none does, the selected key is taken as it is and the checks that
// follow tell the user. Without a record (nullopt) the user stopped.
std::optional<KeyRecord> keyPairFor(KeyRing& ring, const DecryptOptions& o, FileCommandUi& ui)
{
    if (const auto check = FileKeyCheckValue(o.encryptedPath)) {
        const std::vector<KeyRecord> pairs = KeysMatching(ring, *check, true);
        for (const KeyRecord& r : pairs)
            if (r.KeyID == o.keyId) return r;
        if (!pairs.empty()) {
            std::size_t pick = 0;
            if (pairs.size() > 1) {
                std::vector<KeyChoice> choices;
                for (const KeyRecord& r : pairs) choices.push_back(choiceOf(r));
                const int i = ui.chooseKeyPair(choices);
                if (i < 0 || std::size_t(i) >= pairs.size()) return std::nullopt;
                pick = std::size_t(i);
            }
            (void)ring.SearchDB("KeyID", pairs[pick].KeyID);
            ui.keyPairFound(choiceOf(pairs[pick]));
            return pairs[pick];
        }
    }
    if (o.keyId.empty())
        throw UserMessage(UserMessage::WarningBox, "No Private key selected. Double click on private key.");
    if (!ring.Active() || !ring.SearchDB("KeyID", o.keyId))
        throw UserMessage(UserMessage::WarningBox, kKeyNotInKeyRing);
    return ring.CurrentRecord();
}

// Renames a finished output to its name. Without an agreed overwrite a file
// that appeared there meanwhile is not replaced: the question is asked now, and
// the answer no (false) removes the output.
bool commitOutput(AtomicFile& out, bool overwriteAgreed, FileCommandUi& ui)
{
    if (!overwriteAgreed && out.commitUnlessExists()) return true;
    if (!overwriteAgreed && !ui.confirmOverwrite(overwriteQuestion(out.finalPath()))) {
        out.abort();
        return false;
    }
    out.commit();
    return true;
}

// The same once the output's flush on a batch's flusher is done; any failure
// is the command's error, with the system's reason.
bool commitFlushed(AtomicFile& out, const std::shared_future<void>& flushing, bool overwriteAgreed,
                   FileCommandUi& ui, const char* error)
{
    try {
        flushing.get();
        return commitOutput(out, overwriteAgreed, ui);
    } catch (...) {
        throw UserMessage(UserMessage::ErrorBox, error, currentOsError());
    }
}

// A file whose output is written and being flushed: complete() finishes it.
FileCommandResult pendingResult(const std::string& output, int cipherIndex, std::function<FileCommandResult()> complete)
{
    FileCommandResult r{true, output, cipherIndex, ""};
    r.complete = std::move(complete);
    return r;
}

double fractionOf(std::uint64_t done, std::uint64_t total)
{
    return total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
}

} // namespace

std::string overwriteQuestion(const std::string& outputPath)
{
    return "Output file \"" + baseNameOf(outputPath) + "\" already exists. Overwrite?";
}

std::string decryptedName(const std::string& encryptedPath)
{
    if (HasEncryptedName(encryptedPath)) return encryptedPath.substr(0, encryptedPath.size() - 4);
    return encryptedPath + ".dec";
}

std::string compressionStatus(std::uint64_t s, std::uint64_t c)
{
    const double diff = s > c ? double(s - c) : double(c - s);
    const double r = diff * 100.0 / (s == 0 ? double(c) + 1.0 : double(c));
    char buf[64];
    std::snprintf(buf, sizeof buf, "Compression: %4.1f%%", r);
    return buf;
}

static std::string cipherStatus(const TDCP_cipher& cipher)
{
    return "Cipher: " + cipherStatusName(cipher) + ", Key size: 256";
}

namespace {

// What a command's checks and questions settled, for its work.
template <typename Options>
class CommandJob : public FileJob {
public:
    CommandJob(const Options& o, KeyRecord record, FileCommandUi& asker, std::string output)
        : o_(o), record_(std::move(record)), asker_(asker), output_(std::move(output))
    {
    }
    bool overwrite = false;
    // False when the output's name is taken and the user keeps that file.
    bool mayWrite(FileCommandUi& ui)
    {
        overwrite = fileExists(output_);
        return !overwrite || ui.confirmOverwrite(overwriteQuestion(output_));
    }

protected:
    const Options o_;
    const KeyRecord record_;
    FileCommandUi& asker_; // for the questions of the commit
    const std::string output_;
};

class EncryptJob : public CommandJob<EncryptOptions> {
public:
    using CommandJob::CommandJob;
    FileCommandResult run(FileCommandUi& ui) override;
    int cipherIndex = 0;
    bool wipe = false;
    std::shared_ptr<const RecipientKey> recipient;
};

} // namespace

std::unique_ptr<FileJob> PrepareEncrypt(KeyRing& keyRing, const EncryptOptions& o, FileCommandUi& ui)
{
    if (o.keyId.empty()) throw UserMessage(UserMessage::PlainBox, "No mail box specified");
    if (!keyRing.Active() || !keyRing.SearchDB("KeyID", o.keyId))
        throw UserMessage(UserMessage::WarningBox, kKeyNotInKeyRing);
    // A hand-edited key ring must not lead to a file nobody can decrypt.
    KeyRecord record = keyRing.CurrentRecord();
    std::shared_ptr<const RecipientKey> key =
        o.recipients ? o.recipients->open(record) : std::make_shared<const RecipientKey>(record);
    if (!isExistingFile(o.sourcePath))
        throw UserMessage(UserMessage::WarningBox, "File to encrypt does not exists or the name is empty.");
    auto job = std::make_unique<EncryptJob>(o, std::move(record), ui, o.sourcePath + ".enc");
    job->recipient = std::move(key);

    if (o.wipeOriginal) {
        const auto answer = ui.askWipeOriginal(kWipeQuestion);
        if (answer == FileCommandUi::Answer::Cancel) return nullptr;
        job->wipe = answer == FileCommandUi::Answer::Yes;
    }

    job->cipherIndex = o.cipherIndex;
    if (o.stealthyCipher) {
        job->cipherIndex = static_cast<int>(SystemRandom(kCipherCount));
        ui.selectCipher(job->cipherIndex);
    }

    return job->mayWrite(ui) ? std::move(job) : nullptr;
}

FileCommandResult EncryptJob::run(FileCommandUi& ui)
{
    const EncryptOptions& o = o_;
    const std::string& output = output_;
    std::shared_ptr<AtomicFile> out;
    std::shared_future<void> flushing;
    {
        ProgressScope progress(ui);
        triple(ui, "Compression started, please wait...", "Encryption, waiting.", "Saving data, waiting.", 0);
        try {
            const FileState atOpen = fileStateOf(o.sourcePath);
            InputFile source(o.sourcePath);
            EncryptedFileHeader header;
            const auto cipher = StartFileCipher(*recipient, cipherIndex, header);
            out = std::make_shared<AtomicFile>(output);
            out->write(header.serialize());
            ui.setStatusPanel(1, cipherStatus(*cipher));

            // This thread reads and feeds the compressor (whose workers use
            // every core); one stage enciphers and writes what comes out.
            // A source of one piece takes no thread at all.
            const std::size_t pieceSize = pieceOf(o.pieceSize, source.size());
            const bool onePiece = source.size() <= pieceSize;
            AtomicFileSink sink(*out);
            CbcEncryptingSink cbc(*cipher, sink);
            PieceStage encipherStage(pieceSize, kStageBuffers, [&](Piece& p) { cbc.encipher(p); }, !onePiece,
                                     o.buffers);
            PieceWriter toCipher(encipherStage);
            const auto compressor = makeCompressor(o.compressionIndex, toCipher, pieceSize, source.size());
            Piece piece = o.buffers ? o.buffers->take(pieceSize) : Piece(pieceSize);
            std::uint64_t read = 0;
            for (;;) {
                const std::size_t n = source.read(piece.data(), piece.capacity());
                if (n == 0) break;
                compressor->write(piece.data(), n);
                read += n;
                ui.setProgressFraction(fractionOf(read, source.size()));
                pumpAndCheck(ui);
            }
            if (read != static_cast<std::uint64_t>(atOpen.size) || fileStateOf(o.sourcePath) != atOpen)
                throw UserMessage(UserMessage::ErrorBox, kSourceChanged);
            if (o.buffers) o.buffers->give(std::move(piece));
            compressor->finish();
            toCipher.flush();
            encipherStage.finish();
            ui.setProgressFirstLine("Writing Compressed data, please wait...");
            ui.setStatusPanel(0, compressionStatus(read, compressor->compressedSize()));
            triple(ui, "Compression done.", "Encrypting data, please wait...", "Saving data, waiting.", 1);
            cbc.finish();
            triple(ui, "Compression done.", "Encryption done.", "Saving data and finalizing., please wait...", 2);
            cipher->Wipe();
            if (o.flusher) flushing = o.flusher->start([out] { out->flush(); });
            else if (!commitOutput(*out, overwrite, asker_)) return {};
        } catch (const OperationCancelled&) {
            throw; // the unfinished temporary goes with `out`
        } catch (const UserMessage&) {
            throw;
        } catch (const ENoSafeReplacement& e) {
            throw UserMessage(UserMessage::ErrorBox, e.what());
        } catch (...) {
            throw UserMessage(UserMessage::ErrorBox, kEncryptError, currentOsError());
        }
    }

    auto finish = [out, flushing, overwrite = overwrite, wipe = wipe, output, cipherIndex = cipherIndex,
                   source = o.sourcePath, shred = o.shredFile, &ui = asker_]() -> FileCommandResult {
        if (flushing.valid() && !commitFlushed(*out, flushing, overwrite, ui, kEncryptError)) return {};
        FileCommandResult result{true, output, cipherIndex, "File encrypted successfuly."};
        if (wipe) {
            try {
                if (!shred) throw Error("No wiping routine");
                FolderBatch::flushNow(output); // the output's name on disk before its source goes
                shred(source);
            } catch (...) {
                throw UserMessage(UserMessage::ErrorBox, kEncryptError, currentOsError());
            }
            result.message = "File encrypted successfuly and original file permenently deleted";
        }
        return result;
    };
    return o.flusher ? pendingResult(output, cipherIndex, finish) : finish();
}

FileCommandResult EncryptFile(KeyRing& keyRing, const EncryptOptions& o, FileCommandUi& ui)
{
    const std::unique_ptr<FileJob> job = PrepareEncrypt(keyRing, o, ui);
    return job ? job->run(ui) : FileCommandResult{};
}

namespace {

class DecryptJob : public CommandJob<DecryptOptions> {
public:
    using CommandJob::CommandJob;
    FileCommandResult run(FileCommandUi& ui) override;
    SecureString passphrase;
    std::unique_ptr<InputFile> in;
};

} // namespace

std::unique_ptr<FileJob> PrepareDecrypt(KeyRing& keyRing, const DecryptOptions& o, FileCommandUi& ui)
{
    if (!isExistingFile(o.encryptedPath))
        throw UserMessage(UserMessage::WarningBox, "File to decrypt does not exists or the name is empty.");
    std::optional<KeyRecord> found = keyPairFor(keyRing, o, ui);
    if (!found) return nullptr;
    const KeyRecord& record = *found;
    if (record.ExponentD.size() < 128)
        throw UserMessage(UserMessage::WarningBox, "Select a private key and try again.");

    SecureString passphrase;
    if (!ui.askPassphraseFor(record.KeyID, passphrasePrompt(choiceOf(record)), passphrase)) return nullptr;
    const bool opened = o.keyPairs && o.keyPairs->knows(record);
    if (!opened && !CheckPrivatePassphrase(record, passphrase))
        throw UserMessage(UserMessage::ErrorBox, kWrongPassphrase);
    ui.passphraseAccepted(record.KeyID, passphrase);

    auto job = std::make_unique<DecryptJob>(o, std::move(*found), ui, decryptedName(o.encryptedPath));
    job->passphrase = std::move(passphrase);
    try {
        job->in = std::make_unique<InputFile>(o.encryptedPath);
    } catch (...) {
        throw UserMessage(UserMessage::ErrorBox, kDecryptError, currentOsError());
    }
    return job->mayWrite(ui) ? std::move(job) : nullptr;
}

FileCommandResult DecryptJob::run(FileCommandUi& ui)
{
    const DecryptOptions& o = o_;
    const KeyRecord& record = record_;
    const std::string& output = output_;
    int cipherIndex = -1;
    std::shared_ptr<AtomicFile> out;
    std::shared_future<void> flushing;
    {
        ProgressScope progress(ui);
        triple(ui, "Data Decryption started, please wait...", "Data Uncompress, waiting.", "Data Saving, waiting.", 0);
        try {
            const EncryptedFileHeader header = readEncryptedFileHeader(*in);
            if (isValidCipherIndex(header.cipherNumber)) {
                cipherIndex = header.cipherNumber;
                ui.selectCipher(cipherIndex);
            }

            const auto cipher = OpenFileCipher(record, header, passphrase, o.keyPairs);
            out = std::make_shared<AtomicFile>(output, kOwnerOnly, AtomicFile::Scrub::Overwrite);
            pumpAndCheck(ui);

            // This thread reads and deciphers in place; one stage inflates
            // straight into the buffers of the next, which writes them. A
            // file of one piece takes no thread at all.
            const std::uint64_t start = in->position();
            const std::size_t pieceSize = pieceOf(o.pieceSize, in->size() - start);
            const bool onePiece = in->size() - start <= pieceSize;
            const auto fraction = [&] { return fractionOf(in->position() - start, in->size() - start); };
            // While a stage is busy (a small piece may inflate to gigabytes)
            // the windows go on painting and Cancel is obeyed.
            const auto whileWaiting = [&] {
                ui.setProgressFraction(fraction());
                pumpAndCheck(ui);
            };
            // A file of one piece inflates and writes on this thread: the
            // writing pumps now and then instead of the waits.
            auto lastPump = std::chrono::steady_clock::now();
            const auto pumpNowAndThen = [&] {
                const auto now = std::chrono::steady_clock::now();
                if (now - lastPump < std::chrono::milliseconds(40)) return;
                lastPump = now;
                whileWaiting();
            };
            AtomicFileSink sink(*out);
            PieceStage writeStage(pieceOf(o.pieceSize, std::max<std::uint64_t>(in->size(), kInflatedPiece)),
                                  kStageBuffers,
                                  [&](Piece& p) {
                                      sink.write(p.data(), p.size);
                                      if (onePiece) pumpNowAndThen();
                                  },
                                  !onePiece, o.buffers);
            PieceWriter toWrite(writeStage);
            Inflater inflater(toWrite);
            PieceStage inflateStage(pieceSize, kStageBuffers, [&](Piece& p) { inflater.write(p.data(), p.size); },
                                    !onePiece, o.buffers);
            // Whatever stops the command stops the inflating at once too.
            struct StopInflating {
                Inflater& inflater;
                ~StopInflating() { inflater.stop(); }
            } stopInflating{inflater};
            while (!inflater.finished()) {
                Piece piece = inflateStage.take(whileWaiting);
                piece.size = in->read(piece.data(), piece.capacity());
                if (piece.size == 0) break;
                cipher->DecryptCbc(piece.data(), piece.data(), piece.size);
                inflateStage.put(std::move(piece));
                ui.setProgressFraction(fraction());
                pumpAndCheck(ui);
            }
            inflateStage.finish(whileWaiting);
            toWrite.flush();
            writeStage.finish(whileWaiting);
            triple(ui, "Data decryption done.", "Data uncompress started, please wait...", "Saving data, waiting.", 1);
            if (!inflater.finished()) throw Error("Incomplete compressed data");
            // The panels tell about the file in hand, as an encryption's do.
            ui.setStatusPanel(0, compressionStatus(inflater.produced(), in->size() - start));
            ui.setStatusPanel(1, cipherStatus(*cipher));
            triple(ui, "Data decryption done.", "Data uncompress done.",
                   "Saving data and finalizing., please wait...", 2);
            cipher->Wipe();
            if (o.flusher) flushing = o.flusher->start([out] { out->flush(); });
            else if (!commitOutput(*out, overwrite, asker_)) return {};
        } catch (const UserMessage&) {
            throw; // the temporary overwrites what it holds as it goes
        } catch (const ENoSafeReplacement& e) {
            throw UserMessage(UserMessage::ErrorBox, e.what());
        } catch (...) {
            throw UserMessage(UserMessage::ErrorBox, kDecryptError, currentOsError());
        }
    }
    auto finish = [out, flushing, overwrite = overwrite, output, cipherIndex, &ui = asker_]() -> FileCommandResult {
        if (flushing.valid() && !commitFlushed(*out, flushing, overwrite, ui, kDecryptError)) return {};
        return {true, output, cipherIndex, "File decrypted successfuly"};
    };
    return o.flusher ? pendingResult(output, cipherIndex, finish) : finish();
}

FileCommandResult DecryptFile(KeyRing& keyRing, const DecryptOptions& o, FileCommandUi& ui)
{
    const std::unique_ptr<FileJob> job = PrepareDecrypt(keyRing, o, ui);
    return job ? job->run(ui) : FileCommandResult{};
}

} // namespace zerath
