#pragma once
// The general error handler every window runs its commands through: a core
// outcome (zerath::UserMessage) is shown in a box of its kind, any other
// exception in the error box with its message.
#include <QString>

#include <functional>

#include "common/Error.h"
#include "common/Messages.h"

class QWidget;

// The box kind that shows a core outcome of the given kind.
Messages::Kind boxKind(zerath::UserMessage::Kind kind);

// Shows a core outcome in a box of its kind, with an OK button.
void showOutcome(QWidget* parent, const zerath::UserMessage& message);

// Runs `action`; returns true when it ran to its end. When it throws,
// `beforeBox` (if given) runs first (callers restore a busy cursor there), then
// the box appears: a zerath::UserMessage in a box of its kind, any other
// exception in the error box with its message, anything else as "Unknown error".
bool guarded(QWidget* parent, const std::function<void()>& action,
             const std::function<void()>& beforeBox = nullptr);
