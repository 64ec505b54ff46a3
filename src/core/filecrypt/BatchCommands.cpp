#include "filecrypt/BatchCommands.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <set>

#include "common/Cancelled.h"
#include "common/FileIO.h"
#include "common/FolderBatch.h"
#include "common/TaskPool.h"
#include "filecrypt/ParallelDeflater.h"
#include "filecrypt/PieceStage.h"
#include "filecrypt/SessionKey.h"
#include "filecrypt/SideBySide.h"

namespace zerath {

namespace {

constexpr const char* kSkipped = "Skipped";
constexpr int kPassphraseTries = 3;

using Clock = std::chrono::steady_clock;
using OutputOf = std::function<std::string(const std::string&)>;

// Stands between the commands and the front end for the length of a batch:
// keeps the progress window up from file to file, turns each file's share into
// the batch's, and remembers the answers that hold for the whole batch.
class BatchUi : public FileCommandUi {
public:
    BatchUi(FileCommandUi& front, const std::vector<std::string>& files, OutputOf outputOf)
        : front_(front), outputOf_(std::move(outputOf))
    {
        for (const std::string& f : files) {
            const std::int64_t n = fileSize(f);
            sizes_.push_back(n > 0 ? std::uint64_t(n) : 0);
            if (sizes_.size() % 1024 == 0) front_.pump().processEvents();
            total_ += sizes_.back();
        }
        count_ = int(files.size());
    }

    void startFile(int index, const std::string& path)
    {
        index_ = index;
        name_ = baseNameOf(path);
        aboutFile(path);
        setProgressFraction(0);
    }
    // The file the questions from now on are about (one that was started).
    void aboutFile(const std::string& path)
    {
        path_ = path;
        refusal_ = kSkipped;
    }
    void endFile(std::size_t index)
    {
        done_ += sizes_[index];
        setProgressFraction(0);
    }
    std::uint64_t sizeOf(std::size_t index) const { return sizes_[index]; }
    const std::string& refusal() const { return refusal_; }

    Answer wipeAnswer = Answer::No;
    Answer askWipeOriginal(const std::string&) override { return wipeAnswer; }

    bool confirmOverwrite(const std::string& text) override
    {
        Answer a = overwriteAll_;
        if (a != Answer::YesToAll && a != Answer::NoToAll) {
            const Paused paused(*this);
            a = front_.askOverwriteInBatch(text);
        }
        if (a == Answer::YesToAll || a == Answer::NoToAll) overwriteAll_ = a;
        const bool yes = a == Answer::Yes || a == Answer::YesToAll;
        if (!yes) refusal_ = keptExisting(outputOf_(path_));
        return yes;
    }

    bool askPassphraseFor(const std::string& keyId, const std::string& prompt, SecureString& out) override
    {
        lastKey_ = keyId;
        const auto known = passphrases_.find(keyId);
        if (known != passphrases_.end()) {
            out = known->second;
            return true;
        }
        if (givenUp_.count(keyId)) {
            refusal_ = kGivenUp;
            return false;
        }
        const Paused paused(*this);
        return front_.askPassphraseFor(keyId, prompt, out);
    }
    // The passphrase of the key pair last asked for was wrong every time.
    void giveUpLastKey() { givenUp_.insert(lastKey_); }
    void passphraseAccepted(const std::string& keyId, const SecureString& passphrase) override
    {
        passphrases_[keyId] = passphrase;
        front_.passphraseAccepted(keyId, passphrase);
    }

    int chooseKeyPair(const std::vector<KeyChoice>& choices) override
    {
        std::string key;
        for (const KeyChoice& c : choices) key += c.keyId + "|";
        const auto known = picks_.find(key);
        if (known != picks_.end()) return known->second;
        const Paused paused(*this);
        const int pick = front_.chooseKeyPair(choices);
        if (pick >= 0) picks_[key] = pick;
        return pick;
    }
    void keyPairFound(const KeyChoice& key) override { front_.keyPairFound(key); }

    // The progress window stays up for the whole batch.
    void setBusy(bool) override {}
    void showProgress(bool) override {}
    void setProgressLines(const std::string& a, const std::string& b, const std::string& c, int bold) override
    {
        front_.setProgressLines(a, b, c, bold);
    }
    void setProgressFirstLine(const std::string& l1) override { front_.setProgressFirstLine(l1); }
    void setProgressFraction(double f) override
    {
        const double doneBytes = double(done_) + f * double(sizes_[std::size_t(index_)]);
        BatchProgress p;
        p.index = index_ + 1;
        p.count = count_;
        p.name = name_;
        p.share = total_ == 0 ? (index_ + f) / count_ : doneBytes / double(total_);
        // Time spent at a question is no work done.
        const double seconds = std::chrono::duration<double>(Clock::now() - start_ - paused_).count();
        p.bytesPerSecond = seconds > 0 ? doneBytes / seconds : 0;
        p.secondsLeft = p.bytesPerSecond > 0 ? (double(total_) - doneBytes) / p.bytesPerSecond : 0;
        front_.setProgressFraction(p.share);
        front_.setBatchProgress(p);
    }
    void setStatusPanel(int panel, const std::string& text) override { front_.setStatusPanel(panel, text); }
    void selectCipher(int index) override { front_.selectCipher(index); }
    MessagePump& pump() override { return front_.pump(); }
    bool cancelRequested() override { return front_.cancelRequested(); }

private:
    // Stops the clock while a question is open.
    class Paused {
    public:
        explicit Paused(BatchUi& ui) : ui_(ui), from_(Clock::now()) {}
        ~Paused() { ui_.paused_ += Clock::now() - from_; }
        Paused(const Paused&) = delete;
        Paused& operator=(const Paused&) = delete;

    private:
        BatchUi& ui_;
        Clock::time_point from_;
    };

    FileCommandUi& front_;
    OutputOf outputOf_;
    std::string path_;
    std::string lastKey_;
    std::set<std::string> givenUp_;
    Clock::duration paused_{};
    std::vector<std::uint64_t> sizes_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    int count_ = 0;
    int index_ = 0;
    std::string name_;
    std::string refusal_;
    Answer overwriteAll_ = Answer::Cancel;
    std::map<std::string, SecureString> passphrases_;
    std::map<std::string, int> picks_;
    const Clock::time_point start_ = Clock::now();
};

// Busy cursor and progress window for the whole batch.
class BatchScope {
public:
    explicit BatchScope(FileCommandUi& ui) : ui_(ui)
    {
        ui_.setBusy(true);
        ui_.showProgress(true);
    }
    ~BatchScope()
    {
        ui_.showProgress(false);
        ui_.setBusy(false);
    }
    BatchScope(const BatchScope&) = delete;
    BatchScope& operator=(const BatchScope&) = delete;

private:
    FileCommandUi& ui_;
};

// The checks and questions of one file: its job, or nullptr when the user's
// answer stopped it.
using PrepareFile = std::function<std::unique_ptr<FileJob>(const std::string& path, FileCommandUi& ui)>;

// Why a file that is there cannot be opened, in words; empty when it can be
// (or is missing, which the command itself reports).
std::string unreadable(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    return errno == ENOENT ? std::string() : cannotBeRead(errno);
}

// Outputs that may be flushing at once while the batch goes on.
constexpr std::size_t kFlushing = 8;
// Files worked on at once at most, which bounds memory on large machines.
constexpr unsigned kMostSideBySide = 8;

// Files of at most onePiece bytes are handed to workers, one per usable core,
// and their results taken back in order; a larger file waits for those
// before it and is worked on by this thread, with threads of its own.
BatchResult runBatch(const std::vector<std::string>& files, FileCommandUi& front, BatchUi& ui,
                     const PrepareFile& prepare, std::uint64_t onePiece)
{
    using Outcome = BatchFileResult::Outcome;
    BatchResult result;
    result.total = files.size();
    BatchScope scope(front);
    FolderBatch folders;
    const unsigned cores = std::min(ParallelDeflater::usableCores(), kMostSideBySide);
    SideBySide side(cores > 1 ? cores : 0);
    auto record = [&](BatchFileResult& file, const std::function<FileCommandResult()>& work) {
        try {
            const FileCommandResult r = work();
            file.outcome = r.done ? Outcome::Done : Outcome::Refused;
            file.outputPath = r.outputPath;
            file.message = r.done ? r.message : ui.refusal();
            return r.complete;
        } catch (const OperationCancelled& e) {
            file.outcome = Outcome::Cancelled;
            file.message = e.what();
        } catch (const std::exception& e) {
            file.osError = currentOsError();
            file.outcome = Outcome::Failed;
            file.message = e.what();
        }
        return std::function<FileCommandResult()>();
    };
    // Files written and flushing, completed in the batch's order.
    std::deque<std::pair<std::size_t, std::function<FileCommandResult()>>> flushing;
    auto completeOldest = [&] {
        auto [at, complete] = std::move(flushing.front());
        flushing.pop_front();
        ui.aboutFile(files[at]);
        (void)record(result.files[at], complete);
    };
    // Files started, in order: those handed over wait for their workers.
    struct Started {
        BatchFileResult file;
        std::function<FileCommandResult()> complete;
        std::shared_ptr<SideBySide::Handed> handed;
    };
    std::deque<Started> started;
    const auto whileWaiting = [&] {
        front.pump().processEvents();
        if (front.cancelRequested()) side.cancel();
    };
    auto takeOldest = [&] {
        Started s = std::move(started.front());
        started.pop_front();
        const std::size_t at = result.files.size();
        if (s.handed) s.complete = record(s.file, [&] { return side.take(*s.handed, ui, whileWaiting); });
        ui.endFile(at);
        result.files.push_back(std::move(s.file));
        if (s.complete) flushing.emplace_back(at, std::move(s.complete));
        while (flushing.size() > kFlushing) completeOldest();
        if (result.files.back().outcome == Outcome::Cancelled) result.cancelled = true;
    };
    for (std::size_t i = 0; i < files.size() && !result.cancelled; ++i) {
        ui.startFile(int(i), files[i]);
        Started s;
        s.file.path = files[i];
        std::unique_ptr<FileJob> job;
        s.complete = record(s.file, [&] {
            const std::string cannotRead = unreadable(files[i]);
            if (!cannotRead.empty()) throw Error(cannotRead);
            job = prepare(files[i], ui);
            FileCommandResult prepared;
            prepared.done = job != nullptr;
            return prepared;
        });
        if (job && side.available() && ui.sizeOf(i) <= onePiece) {
            s.handed = side.hand(std::move(job));
        } else if (job) {
            while (!started.empty()) takeOldest();
            ui.startFile(int(i), files[i]);
            s.complete = record(s.file, [&] {
                if (side.cancelled()) throw OperationCancelled(); // while the files before it were taken
                return job->run(ui);
            });
            if (s.file.outcome == Outcome::Cancelled) side.cancel();
        }
        started.push_back(std::move(s));
        while (started.size() > 2 * side.workers()) takeOldest();
        front.pump().processEvents();
        if (i + 1 < files.size() && front.cancelRequested()) side.cancel();
        if (side.cancelled()) result.cancelled = true;
    }
    // What was written before a cancel is finished, not dropped.
    while (!started.empty()) takeOldest();
    while (!flushing.empty()) completeOldest();
    // The batch's renames are durable only once their folders are flushed.
    for (const FolderBatch::Failure& f : folders.finish()) {
        const std::string words = f.osError != 0 ? kFolderNotFlushed : std::string(kFolderNotFlushed) + ": " + f.reason;
        result.folders.push_back({f.folder, Outcome::Failed, "", words, f.osError});
    }
    return result;
}

} // namespace

std::string keptExisting(const std::string& outputPath)
{
    return "kept the existing " + baseNameOf(outputPath);
}

int BatchResult::failures() const
{
    int n = 0;
    for (const BatchFileResult& f : files) n += f.outcome != BatchFileResult::Outcome::Done;
    return n + int(folders.size());
}

BatchResult EncryptFiles(KeyRing& keyRing, const EncryptOptions& each, const std::vector<std::string>& files,
                         FileCommandUi& ui)
{
    BatchUi batch(ui, files, [](const std::string& p) { return p + ".enc"; });
    if (each.wipeOriginal && !files.empty()) {
        batch.wipeAnswer = ui.askWipeOriginal(kWipeQuestion);
        if (batch.wipeAnswer == FileCommandUi::Answer::Cancel) return {};
    }
    RecipientCache recipients;
    TaskPool flusher(kFlushing);
    PieceStock buffers;
    const auto prepare = [&](const std::string& path, FileCommandUi& fileUi) {
        EncryptOptions o = each;
        o.sourcePath = path;
        o.flusher = &flusher;
        o.buffers = &buffers;
        o.recipients = &recipients;
        return PrepareEncrypt(keyRing, o, fileUi);
    };
    return runBatch(files, ui, batch, prepare, each.pieceSize == 0 ? kDefaultPiece : each.pieceSize);
}

BatchResult DecryptFiles(KeyRing& keyRing, const std::string& selectedKeyId, const std::vector<std::string>& files,
                         FileCommandUi& ui)
{
    BatchUi batch(ui, files, decryptedName);
    KeyPairCache keyPairs;
    TaskPool flusher(kFlushing);
    PieceStock buffers;
    const auto prepare = [&](const std::string& path, FileCommandUi& fileUi) {
        DecryptOptions o{selectedKeyId, path};
        o.keyPairs = &keyPairs;
        o.flusher = &flusher;
        o.buffers = &buffers;
        for (int tries = 1;; ++tries) {
            try {
                return PrepareDecrypt(keyRing, o, fileUi);
            } catch (const UserMessage& e) {
                if (std::string(e.what()) != kWrongPassphrase) throw;
                if (tries == kPassphraseTries) {
                    batch.giveUpLastKey();
                    throw;
                }
            }
        }
    };
    return runBatch(files, ui, batch, prepare, kDefaultPiece);
}

} // namespace zerath
