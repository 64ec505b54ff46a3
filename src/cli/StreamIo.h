#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "CliArgs.h"

#include "common/FileIO.h"
#include "common/InputFile.h"
#include "filecrypt/PieceStage.h"
#include "filecrypt/StreamCrypt.h"

namespace zerath::cli {

// "-" names standard input or standard output.
inline bool isStandardStream(const std::string& path) { return path == "-"; }

// An input: standard input for "-", else the file.
std::unique_ptr<InputFile> openInput(const std::string& path);

// Standard output as a sink, written as data comes. A failed write (a closed
// pipe among them) throws the system's reason.
class StandardOutput : public ByteSink {
public:
    void write(const void* buf, std::size_t n) override;
};

// Where a stream command writes: standard output for "-", else a file made
// under a temporary name that takes its name in commit() only, so a failure
// leaves nothing. An existing file is refused, with the overwrite question's
// text, unless force.
class StreamOutput {
public:
    StreamOutput(const std::string& path, bool force, mode_t mode, AtomicFile::Scrub scrub);
    ByteSink& sink();
    void commit();
    bool toStandardOutput() const { return !file_; }

private:
    class FileSink;
    bool force_ = false;
    StandardOutput stdout_;
    std::unique_ptr<AtomicFile> file_;
    std::unique_ptr<ByteSink> fileSink_;
};

// Runs one stream command from input to output with a progress line, then
// gives the output its name. A failure that is not a message of its own
// becomes `failure` with the system's reason. Prints the output's path unless
// it is standard output or quiet.
void runStream(InputFile& in, const std::string& input, const std::string& output, StreamOutput& out, bool quiet,
               const char* failure, const std::function<void(ByteSink&, const StreamProgress&)>& work);

// A command whose input or output is a stream ("-" among its inputs, or -o)
// takes one input: run runs it there, its failures naming the input. nullopt
// when the command is not one.
std::optional<int> runIfStream(const CliArgs& args, const std::function<int(const std::string& input)>& run);

} // namespace zerath::cli
