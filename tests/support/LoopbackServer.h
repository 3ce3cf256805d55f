#pragma once

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/Waiting.h"

namespace net_tests {

// Loopback requests never go through a proxy of the environment. Set before main, so before any
// thread can read the environment.
inline const bool noProxy = [] {
    ::setenv("no_proxy", "127.0.0.1", 1);
    ::setenv("NO_PROXY", "127.0.0.1", 1);
    return true;
}();

// An HTTP server on 127.0.0.1 at a port the system picks, running on its own threads until destroyed.
class LoopbackServer {
public:
    explicit LoopbackServer(const std::function<void(httplib::Server&)>& routes) {
        routes(server_);
        // One request per connection: a kept-alive connection would hold up stop() for seconds.
        server_.set_keep_alive_max_count(1);
        port_ = server_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0) std::abort();
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() only reaches a server that is already listening.
        if (!test_support::waitUntil([this] { return server_.is_running(); })) std::abort();
    }
    ~LoopbackServer() {
        server_.stop();
        thread_.join();
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

// A listening socket on 127.0.0.1, answered by hand.
//   silent      connections are queued by the system but never answered;
//   dropping    each connection is accepted and closed at once, without a reply;
//   recording   each request's head is kept and an empty 200 reply sent.
class RawServer {
public:
    enum class Mode { silent, dropping, recording };

    explicit RawServer(Mode mode) {
        socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(socket_, 16) != 0 ||
            ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            std::abort();
        port_ = ntohs(address.sin_port);
        if (mode != Mode::silent) thread_ = std::thread([this, mode] { serve(mode); });
    }
    ~RawServer() {
        ::shutdown(socket_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        ::close(socket_);
    }
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

    // The head of the last request, up to its empty line.
    std::string lastRequest() const {
        std::lock_guard lock(mutex_);
        return lastRequest_;
    }

private:
    void serve(Mode mode) {
        for (;;) {
            int connection = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) return;  // the socket was shut down
            if (mode == Mode::recording) {
                const timeval limit{5, 0};
                ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
                std::string head;
                char buffer[4096];
                while (head.find("\r\n\r\n") == std::string::npos) {
                    auto count = ::read(connection, buffer, sizeof buffer);
                    if (count <= 0) break;
                    head.append(buffer, static_cast<std::size_t>(count));
                }
                {
                    std::lock_guard lock(mutex_);
                    lastRequest_ = head.substr(0, head.find("\r\n\r\n") + 2);
                }
                const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
                (void)!::write(connection, reply.data(), reply.size());
            }
            ::close(connection);
        }
    }

    int socket_ = -1;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::string lastRequest_;
};

// A loopback port with nothing listening on it: a socket bound to it for the whole run, never
// listening, so connections are refused and no other test can take the port meanwhile.
inline std::string refusingBase() {
    static const int port = [] {
        int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (socket < 0 || ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            std::abort();
        return static_cast<int>(ntohs(address.sin_port));
    }();
    return "http://127.0.0.1:" + std::to_string(port);
}

// Runs the main loop until `done` holds, waiting for the I/O thread between turns. False after ten
// seconds of real time: a reply that never comes fails the test instead of hanging it.
inline bool pumpUntil(platform::testing::VirtualMainLoop& loop, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        loop.runUntilIdle();
        if (done()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace net_tests
