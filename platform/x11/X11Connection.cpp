#include "platform/x11/X11Connection.h"

#include <xcb/res.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/x11/X11Properties.h"

namespace platform::x11 {

std::vector<std::uint32_t> cardinals(const PropertyReply& reply) {
    if (!reply) return {};
    return decodeCardinals(reply->format, xcb_get_property_value(reply.reply),
                           static_cast<std::size_t>(xcb_get_property_value_length(reply.reply)));
}

std::string text(const PropertyReply& reply) {
    if (!reply) return {};
    return decodeText(reply->format, xcb_get_property_value(reply.reply),
                      static_cast<std::size_t>(xcb_get_property_value_length(reply.reply)));
}

std::unique_ptr<X11Connection> X11Connection::open(const std::string& name, std::string* error) {
    std::unique_ptr<X11Connection> connection(new X11Connection);
    connection->xcb = xcb_connect(name.empty() ? nullptr : name.c_str(), &connection->screen);
    if (xcb_connection_has_error(connection->xcb)) {
        if (error) *error = "cannot open the display";
        return nullptr;
    }
    auto* c = connection->xcb;
    auto* cookies = xcb_ewmh_init_atoms(c, &connection->ewmh);
    const std::pair<std::string, xcb_atom_t*> atoms[] = {
        {"WM_CHANGE_STATE", &connection->wmChangeState},
        {"WM_TAKE_FOCUS", &connection->wmTakeFocus},
        {"WM_S" + std::to_string(connection->screen), &connection->wmSelection},
        {"COMPOUND_TEXT", &connection->compoundText},
        {"_XSETTINGS_S" + std::to_string(connection->screen), &connection->settingsSelection},
        {"_XSETTINGS_SETTINGS", &connection->settingsProperty},
    };
    // Every request goes out before the first answer is awaited.
    std::vector<xcb_intern_atom_cookie_t> atomCookies;
    for (const auto& wanted : atoms)
        atomCookies.push_back(
            xcb_intern_atom(c, 0, static_cast<std::uint16_t>(wanted.first.size()), wanted.first.c_str()));
    connection->hasEwmh = xcb_ewmh_init_atoms_replies(&connection->ewmh, cookies, nullptr);
    for (std::size_t i = 0; i < atomCookies.size(); ++i)
        if (Freed<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(c, atomCookies[i], nullptr)})
            *atoms[i].second = reply->atom;
    if (!connection->hasEwmh || connection->screen >= connection->ewmh.nb_screens) {
        if (error) *error = "the display's atoms cannot be read";
        return nullptr;
    }
    auto* screen = connection->ewmh.screens[connection->screen];
    connection->root = screen->root;
    connection->rootHeight = screen->height_in_pixels;
    auto* resource = xcb_get_extension_data(c, &xcb_res_id);
    connection->hasResource = resource && resource->present;
    return connection;
}

X11Connection::~X11Connection() {
    if (hasEwmh) xcb_ewmh_connection_wipe(&ewmh);
    if (xcb) xcb_disconnect(xcb);
}

xcb_get_property_cookie_t X11Connection::property(xcb_window_t window, xcb_atom_t atom,
                                                  std::uint32_t length) {
    return xcb_get_property(xcb, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, length);
}

PropertyReply X11Connection::reply(xcb_get_property_cookie_t cookie) {
    return PropertyReply(xcb_get_property_reply(xcb, cookie, nullptr));
}

bool X11Connection::Manager::present() const {
    // Resource ids of one client share the bits outside the server's resource mask.
    return check && (!owner || (owner & ~resourceMask) == (check & ~resourceMask));
}

TextEncoding X11Connection::encodingOf(const PropertyReply& reply) const {
    if (reply && reply->type == XCB_ATOM_STRING) return TextEncoding::latin1;
    if (reply && compoundText && reply->type == compoundText) return TextEncoding::compoundText;
    return TextEncoding::utf8;
}

std::string X11Connection::textOf(const PropertyReply& reply) const {
    return decodeTextAs(encodingOf(reply), text(reply));
}

X11Connection::Manager X11Connection::manager() {
    auto owner = xcb_get_selection_owner(xcb, wmSelection);
    Manager manager;
    manager.resourceMask = xcb_get_setup(xcb)->resource_id_mask;
    xcb_window_t check = 0;
    if (ewmhProblem(&check).empty()) manager.check = check;
    if (Freed<xcb_get_selection_owner_reply_t> answer{xcb_get_selection_owner_reply(xcb, owner, nullptr)})
        manager.owner = answer->owner;
    return manager;
}

std::vector<std::uint32_t> X11Connection::existing(const std::vector<std::uint32_t>& windows, bool viewable) {
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    cookies.reserve(windows.size());
    for (auto window : windows) cookies.push_back(xcb_get_window_attributes(xcb, window));
    std::vector<std::uint32_t> found;
    for (std::size_t i = 0; i < cookies.size(); ++i)
        if (Freed<xcb_get_window_attributes_reply_t> answer{
                xcb_get_window_attributes_reply(xcb, cookies[i], nullptr)})
            if (!viewable || answer->map_state == XCB_MAP_STATE_VIEWABLE) found.push_back(windows[i]);
    return found;
}

std::string X11Connection::ewmhProblem(xcb_window_t* checkWindow) {
    auto check = reply(property(root, ewmh._NET_SUPPORTING_WM_CHECK, 1));
    auto supported = reply(property(root, ewmh._NET_SUPPORTED, 4096));
    auto windows = cardinals(check);
    if (windows.empty() || !windows[0]) return "no window manager announces EWMH support";
    // The check window must exist and point at itself, or the announcement is stale.
    auto own = cardinals(reply(property(windows[0], ewmh._NET_SUPPORTING_WM_CHECK, 1)));
    if (own.empty() || own[0] != windows[0]) return "the window manager's EWMH announcement is stale";
    auto atoms = cardinals(supported);
    if (std::find(atoms.begin(), atoms.end(), ewmh._NET_CLIENT_LIST) == atoms.end())
        return "the window manager does not list its windows";
    if (checkWindow) *checkWindow = windows[0];
    return {};
}

std::vector<std::int32_t> X11Connection::clientProcesses(const std::vector<std::uint32_t>& windows) {
    std::vector<std::int32_t> pids(windows.size(), 0);
    if (!hasResource) return pids;
    std::vector<xcb_res_query_client_ids_cookie_t> cookies;
    cookies.reserve(windows.size());
    for (auto window : windows) {
        xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        cookies.push_back(xcb_res_query_client_ids(xcb, 1, &spec));
    }
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        Freed<xcb_res_query_client_ids_reply_t> reply{
            xcb_res_query_client_ids_reply(xcb, cookies[i], nullptr)};
        if (!reply) continue;
        for (auto it = xcb_res_query_client_ids_ids_iterator(reply.reply); it.rem;
             xcb_res_client_id_value_next(&it)) {
            if (it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID &&
                xcb_res_client_id_value_value_length(it.data) >= 1)
                pids[i] = static_cast<std::int32_t>(*xcb_res_client_id_value_value(it.data));
        }
    }
    return pids;
}

}  // namespace platform::x11
