// What a connecting peer sends on the instance lock's socket, read as the first instance reads it:
// in pieces of the sizes the input's first byte chooses, never more than the request's length in
// all. The pieces decode as the whole does, and only the exact request brings the first forward.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/x11/X11InstanceRequest.h"

using namespace platform::x11;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = data[0] % 9 + 1;
    const std::string_view sent(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string received;
    auto state = InstanceRequestState::incomplete;
    for (std::size_t at = 0; state == InstanceRequestState::incomplete && at < sent.size();) {
        auto wanted = instanceRequestWanted(received);
        if (wanted == 0 || wanted > instanceRequest.size()) std::abort();
        auto taken = sent.substr(at, std::min(wanted, piece));
        received += taken;
        at += taken.size();
        state = decodeInstanceRequest(received);
    }
    if (received.size() > instanceRequest.size()) std::abort();
    if (state != decodeInstanceRequest(received)) std::abort();
    const bool exact = sent.starts_with(instanceRequest);
    if ((state == InstanceRequestState::comeForward) != exact) std::abort();
    if (state == InstanceRequestState::incomplete && !instanceRequest.starts_with(sent)) std::abort();
    return 0;
}
