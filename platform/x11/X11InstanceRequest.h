#pragma once
// What a later instance of the program says on the instance lock's socket: one fixed request,
// read by the first instance as it arrives, in whatever pieces.

#include <cstddef>
#include <string_view>

namespace platform::x11 {

// The one request: come forward.
inline constexpr std::string_view instanceRequest = "forward\n";

enum class InstanceRequestState {
    incomplete,   // the start of the request: more may come
    comeForward,  // the whole request
    refused,      // anything else: the connection is done with
};

// What the bytes received so far on one connection amount to. No more than the request's length
// is ever read from a connection, so nothing after it counts.
InstanceRequestState decodeInstanceRequest(std::string_view received);

// How many bytes to read next, after `received`: the rest of the request, never more.
inline std::size_t instanceRequestWanted(std::string_view received) {
    return received.size() < instanceRequest.size() ? instanceRequest.size() - received.size() : 0;
}

}  // namespace platform::x11
