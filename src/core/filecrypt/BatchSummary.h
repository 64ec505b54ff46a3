#pragma once
// What a batch did not do, grouped by reason, for a summary that stays short
// however many files share a reason, and the whole as plain text to save.
#include <string>
#include <vector>

#include "filecrypt/BatchCommands.h"

namespace zerath {

struct ReasonGroup {
    std::string reason;
    std::vector<const std::string*> paths; // into the result, in the batch's order
};

// Groups in the order their reason first appears: files the batch reached and
// did not do, then those left out beforehand, then folders not flushed (with
// the system's reason).
std::vector<ReasonGroup> NotDoneByReason(const BatchResult& result);

// "Encrypted 3 of 5 files." and so on, then each group with every path, one a
// line; the text a summary saves.
std::string BatchReport(const BatchResult& result, bool decrypt);

// "Encrypted 3 of 5 files." (of the files the batch was to do), then how many
// were skipped, after "Operation cancelled." when the user stopped it.
std::string BatchHeadline(const BatchResult& result, bool decrypt);

} // namespace zerath
