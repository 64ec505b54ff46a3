#pragma once
#include "common/Error.h"

namespace zerath {

// The user stopped a running command. It is reported like any other outcome,
// in an information box, and is not an error.
class OperationCancelled : public UserMessage {
public:
    static constexpr const char* kText = "Operation cancelled.";
    OperationCancelled() : UserMessage(InformationBox, kText) {}
};

} // namespace zerath
