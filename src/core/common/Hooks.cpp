#include "common/Hooks.h"

namespace zerath {

MessagePump& nullPump()
{
    static MessagePump pump;
    return pump;
}

} // namespace zerath
