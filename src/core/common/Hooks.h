#pragma once
#include <cstdint>
#include <string>

namespace zerath {

// Lets the front end keep its windows painting during long work (the desktop
// program processes pending events; the command-line program does nothing).
class MessagePump {
public:
    virtual ~MessagePump() = default;
    virtual void processEvents() {}
};

// A pump that does nothing, for callers without an event loop.
MessagePump& nullPump();

} // namespace zerath
