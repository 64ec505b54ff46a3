#include "StreamIo.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iostream>

#include "Progress.h"
#include "TerminalText.h"

#include "common/Error.h"
#include "filecrypt/FileCommands.h"
#include "filecrypt/FolderWalk.h"

namespace zerath::cli {

std::unique_ptr<InputFile> openInput(const std::string& path)
{
    if (isStandardStream(path)) return std::make_unique<InputFile>(STDIN_FILENO);
    return std::make_unique<InputFile>(path);
}

void StandardOutput::write(const void* buf, std::size_t n)
{
    const auto* p = static_cast<const char*>(buf);
    while (n > 0) {
        const ssize_t w = ::write(STDOUT_FILENO, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) throwFileError(w < 0 ? errno : EIO);
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

class StreamOutput::FileSink : public ByteSink {
public:
    explicit FileSink(AtomicFile& file) : file_(file) {}
    void write(const void* buf, std::size_t n) override { file_.write(buf, n); }

private:
    AtomicFile& file_;
};

StreamOutput::StreamOutput(const std::string& path, bool force, mode_t mode, AtomicFile::Scrub scrub)
{
    force_ = force;
    if (isStandardStream(path)) return;
    if (!force && fileExists(path)) throw UserMessage(UserMessage::WarningBox, overwriteQuestion(path));
    file_ = std::make_unique<AtomicFile>(path, mode, scrub);
    fileSink_ = std::make_unique<FileSink>(*file_);
}

ByteSink& StreamOutput::sink() { return file_ ? *fileSink_ : static_cast<ByteSink&>(stdout_); }

void StreamOutput::commit()
{
    if (!file_) return;
    if (force_) {
        file_->commit();
    } else if (!file_->commitUnlessExists()) {
        // A file took the name while this one was written: it stays.
        file_->abort(AtomicFile::Scrub::Overwrite);
        throw UserMessage(UserMessage::WarningBox, overwriteQuestion(file_->finalPath()));
    }
}

void runStream(InputFile& in, const std::string& input, const std::string& output, StreamOutput& out, bool quiet,
               const char* failure, const std::function<void(ByteSink&, const StreamProgress&)>& work)
{
    ProgressLine progress(quiet);
    progress.start(isStandardStream(input) ? "(standard input)" : baseNameOf(input), in.size() - in.position());
    try {
        work(out.sink(), [&](std::uint64_t done) { progress.update(done); });
        out.commit();
    } catch (const UserMessage&) {
        throw;
    } catch (const Error&) {
        throw UserMessage(UserMessage::ErrorBox, failure, currentOsError());
    }
    progress.clear();
    if (!out.toStandardOutput() && !quiet) std::cout << output << "\n";
}

std::optional<int> runIfStream(const CliArgs& args, const std::function<int(const std::string& input)>& run)
{
    const auto& files = args.positional();
    if (!args.has("--output") && std::find(files.begin(), files.end(), "-") == files.end()) return std::nullopt;
    if (files.size() != 1 || args.has("--recursive")) throw UsageError{"-o and - take one input, without -r"};
    if (isFolder(files[0])) throw UsageError{files[0] + " is a folder; -o and - take one file"};
    try {
        return run(files[0]);
    } catch (const Error&) {
        rethrowNaming(files[0]);
    }
}

} // namespace zerath::cli
