#pragma once
// A connection to the display with the atoms the desktop uses and helpers for property requests.

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/x11/X11Properties.h"

namespace platform::x11 {

// An xcb reply, freed with it.
template <class T>
struct Freed {
    T* reply = nullptr;
    explicit Freed(T* value) : reply(value) {}
    ~Freed() { std::free(reply); }
    Freed(const Freed&) = delete;
    Freed& operator=(const Freed&) = delete;
    T* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};

using PropertyReply = Freed<xcb_get_property_reply_t>;

std::vector<std::uint32_t> cardinals(const PropertyReply& reply);
// The bytes of a text property, as they are.
std::string text(const PropertyReply& reply);

class X11Connection {
public:
    // None, with the reason in `error`, when the display cannot be opened or its atoms read.
    static std::unique_ptr<X11Connection> open(const std::string& name, std::string* error);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_get_property_cookie_t property(xcb_window_t window, xcb_atom_t atom, std::uint32_t length = 64);
    PropertyReply reply(xcb_get_property_cookie_t cookie);
    // How a text property is written, by its type.
    TextEncoding encodingOf(const PropertyReply& reply) const;
    // A text property as UTF-8, decoded by its type.
    std::string textOf(const PropertyReply& reply) const;
    // Why the display does not count as an EWMH desktop; empty when it does, with the manager's
    // check window in `checkWindow`.
    std::string ewmhProblem(xcb_window_t* checkWindow = nullptr);
    // The process of the client that made each window, as the server knows it; 0 where it does
    // not tell (no resource extension, a remote client, a window gone).
    std::vector<std::int32_t> clientProcesses(const std::vector<std::uint32_t>& windows);
    // The window manager now: its selection's owner and its check window, 0 where there is none
    // (a check window that is stale or belongs to a manager that lists no windows counts as none).
    struct Manager {
        xcb_window_t owner = 0;
        xcb_window_t check = 0;
        // The server's mask of a client's resource ids: ids that differ only within it are one client's.
        std::uint32_t resourceMask = 0;
        // A check window of the selection's owner (or of a manager that owns no selection): a new
        // owner beside the old check window is a manager still starting while the old one leaves.
        bool present() const;
    };
    Manager manager();
    // Which of `windows` still exist; with `viewable`, only those mapped and shown.
    std::vector<std::uint32_t> existing(const std::vector<std::uint32_t>& windows, bool viewable = false);

    xcb_connection_t* xcb = nullptr;
    xcb_ewmh_connection_t ewmh{};
    bool hasEwmh = false;
    int screen = 0;
    xcb_window_t root = 0;
    double rootHeight = 0;
    xcb_atom_t wmChangeState = 0;
    xcb_atom_t wmTakeFocus = 0;
    // The window manager's selection on this screen, WM_S<n>.
    xcb_atom_t wmSelection = 0;
    xcb_atom_t compoundText = 0;
    // The desktop settings' selection on this screen (_XSETTINGS_S<n>) and their property.
    xcb_atom_t settingsSelection = 0;
    xcb_atom_t settingsProperty = 0;
    // Whether the server tells which client made a window (the X resource extension).
    bool hasResource = false;

private:
    X11Connection() = default;
};

}  // namespace platform::x11
