#include "platform/x11/X11InstanceRequest.h"

namespace platform::x11 {

InstanceRequestState decodeInstanceRequest(std::string_view received) {
    if (received.size() > instanceRequest.size() || !instanceRequest.starts_with(received))
        return InstanceRequestState::refused;
    return received.size() == instanceRequest.size() ? InstanceRequestState::comeForward
                                                     : InstanceRequestState::incomplete;
}

}  // namespace platform::x11
