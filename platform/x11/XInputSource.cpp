#include "platform/x11/XInputSource.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>
#include <vector>

#include "platform/system/Screen.h"

namespace platform::x11 {
namespace {

constexpr std::uint32_t escapeKeySym = 0xff1b;
constexpr std::uint16_t otherKeyOffset = 256;

// Shift, Lock, Control, Mod1 … Mod5, as the modifier mapping lists them.
constexpr std::uint64_t modifierBits[8] = {ModifierFlags::shift,
                                           ModifierFlags::capsLock,
                                           ModifierFlags::control,
                                           ModifierFlags::option,
                                           0,
                                           0,
                                           ModifierFlags::command,
                                           0};

std::uint64_t flagsOfState(std::uint16_t state) {
    std::uint64_t flags = 0;
    for (int i = 0; i < 8; ++i)
        if (state & (1 << i)) flags |= modifierBits[i];
    return flags;
}

}  // namespace

struct XInputSource::Connection {
    xcb_connection_t* xcb = nullptr;
    xcb_window_t root = 0;
    ~Connection() {
        if (xcb) xcb_disconnect(xcb);
    }
};

std::unique_ptr<XInputSource> XInputSource::open(const std::string& displayName, std::string* error) {
    auto fail = [&](const char* why) -> std::unique_ptr<XInputSource> {
        if (error) *error = why;
        return nullptr;
    };
    std::unique_ptr<XInputSource> source(new XInputSource);
    source->connection_ = std::make_unique<Connection>();
    int screenNumber = 0;
    auto* c = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber);
    source->connection_->xcb = c;
    if (xcb_connection_has_error(c)) return fail("cannot open the display");
    const auto* setup = xcb_get_setup(c);
    auto screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    if (!screens.rem) return fail("the display has no screen");
    source->connection_->root = screens.data->root;
    source->rootHeight_ = screens.data->height_in_pixels;

    auto* extension = xcb_get_extension_data(c, &xcb_input_id);
    if (!extension || !extension->present) return fail("the display has no XInput extension");
    source->opcode_ = extension->major_opcode;
    auto version = xcb_input_xi_query_version(c, 2, 2);
    auto* versionReply = xcb_input_xi_query_version_reply(c, version, nullptr);
    bool supported = versionReply && versionReply->major_version >= 2;
    std::free(versionReply);
    if (!supported) return fail("the display has no XInput 2");

    // Keyboard layout: which key codes are modifiers and which one is Escape.
    auto modifiers = xcb_get_modifier_mapping(c);
    auto keyboard = xcb_get_keyboard_mapping(
        c, setup->min_keycode, static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1));
    auto pointer = xcb_query_pointer(c, source->connection_->root);
    if (auto* reply = xcb_get_modifier_mapping_reply(c, modifiers, nullptr)) {
        const auto* codes = xcb_get_modifier_mapping_keycodes(reply);
        for (int modifier = 0; modifier < 8; ++modifier)
            for (int i = 0; i < reply->keycodes_per_modifier; ++i)
                if (auto code = codes[modifier * reply->keycodes_per_modifier + i])
                    source->modifierOfKey_[code] |= modifierBits[modifier];
        std::free(reply);
    }
    if (auto* reply = xcb_get_keyboard_mapping_reply(c, keyboard, nullptr)) {
        const auto* syms = xcb_get_keyboard_mapping_keysyms(reply);
        int count = xcb_get_keyboard_mapping_keysyms_length(reply);
        int perCode = reply->keysyms_per_keycode ? reply->keysyms_per_keycode : 1;
        for (int i = 0; i < count; i += perCode)
            if (syms[i] == escapeKeySym && !source->escapeKeyCode_)
                source->escapeKeyCode_ = static_cast<std::uint8_t>(setup->min_keycode + i / perCode);
        std::free(reply);
    }
    if (auto* reply = xcb_query_pointer_reply(c, pointer, nullptr)) {
        source->flags_ = flagsOfState(reply->mask) & ~ModifierFlags::capsLock;
        if (reply->mask & XCB_MOD_MASK_LOCK) source->flags_ |= ModifierFlags::capsLock;
        source->rootLocation_ = Point{static_cast<double>(reply->root_x), static_cast<double>(reply->root_y)};
        std::free(reply);
    }

    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
           XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE |
               XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE |
               XCB_INPUT_XI_EVENT_MASK_RAW_MOTION};
    auto select = xcb_input_xi_select_events_checked(c, source->connection_->root, 1, &mask.head);
    if (auto* failure = xcb_request_check(c, select)) {
        std::free(failure);
        return fail("the display refused raw input events");
    }

    source->thread_ = EventThread::shared();
    if (!source->thread_->running()) return fail("no thread");
    source->readerKey_ =
        source->thread_->add(xcb_get_file_descriptor(c), [raw = source.get()] { return raw->read(); });
    return source;
}

XInputSource::~XInputSource() {
    if (thread_ && readerKey_ >= 0) thread_->remove(readerKey_);
}

void XInputSource::setHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

std::uint64_t XInputSource::modifierFlags() const {
    std::lock_guard lock(mutex_);
    return flags_;
}

Point XInputSource::mouseLocation() const {
    std::lock_guard lock(mutex_);
    return locate(rootLocation_);
}

void XInputSource::setPointMapping(std::function<Point(Point)> mapping) {
    std::lock_guard lock(mutex_);
    pointMapping_ = std::move(mapping);
}

Point XInputSource::locate(Point root) const {
    Point point = root;
    if (pointMapping_) point = pointMapping_(point);
    return platformPoint(point.x, point.y, rootHeight_);
}

Point XInputSource::platformPoint(double rootX, double rootY, double rootHeight) {
    auto screens = Screens::screens();
    double height = screens.empty() ? rootHeight : screens.front().frame.height();
    return Point{rootX, height - rootY};
}

bool XInputSource::read() {
    auto* c = connection_->xcb;
    if (xcb_connection_has_error(c)) return false;
    bool moved = false;
    while (auto* event = xcb_poll_for_event(c)) {
        auto* generic = reinterpret_cast<xcb_ge_generic_event_t*>(event);
        if ((event->response_type & 0x7f) == XCB_GE_GENERIC && generic->extension == opcode_) {
            auto type = generic->event_type;
            if (type == XCB_INPUT_RAW_MOTION) {
                moved = true;
            } else {
                // A click is where the pointer is now, even when it was warped there.
                if (type == XCB_INPUT_RAW_BUTTON_PRESS || type == XCB_INPUT_RAW_BUTTON_RELEASE)
                    refreshPointer(false);
                handle(event);
            }
        }
        std::free(event);
    }
    // Raw motion carries no position: one query per burst of motion, never per sample.
    if (moved) refreshPointer(true);
    return !xcb_connection_has_error(c);
}

void XInputSource::refreshPointer(bool announce) {
    auto* c = connection_->xcb;
    auto* reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, connection_->root), nullptr);
    if (!reply) return;
    Event event;
    {
        std::lock_guard lock(mutex_);
        rootLocation_ = Point{static_cast<double>(reply->root_x), static_cast<double>(reply->root_y)};
        event.location = locate(rootLocation_);
        event.modifierFlags = flags_;
        event.type = (heldButtons_ & 1)   ? EventType::leftMouseDragged
                     : (heldButtons_ & 4) ? EventType::rightMouseDragged
                                          : EventType::mouseMoved;
    }
    std::free(reply);
    if (announce) deliver(event);
}

void XInputSource::handle(const void* raw) {
    const auto* generic = static_cast<const xcb_ge_generic_event_t*>(raw);
    // Raw key and button events share one layout.
    const auto* input = static_cast<const xcb_input_raw_key_press_event_t*>(raw);
    const auto detail = input->detail;
    Event event;
    {
        std::lock_guard lock(mutex_);
        event.location = locate(rootLocation_);
        switch (generic->event_type) {
            case XCB_INPUT_RAW_KEY_PRESS:
            case XCB_INPUT_RAW_KEY_RELEASE: {
                bool press = generic->event_type == XCB_INPUT_RAW_KEY_PRESS;
                auto code = static_cast<std::uint8_t>(detail);
                if (auto bit = modifierOfKey_[code]) {
                    if (bit == ModifierFlags::capsLock) {
                        if (!press) return;
                        flags_ ^= bit;
                    } else {
                        bool wasHeld = heldModifierKeys_[code] != 0;
                        if (press == wasHeld) return;  // auto-repeat
                        heldModifierKeys_[code] = press;
                        bool anyHeld = false;
                        for (int other = 0; other < 256; ++other)
                            if (heldModifierKeys_[other] && (modifierOfKey_[other] & bit)) anyHeld = true;
                        flags_ = anyHeld ? (flags_ | bit) : (flags_ & ~bit);
                    }
                    event.type = EventType::flagsChanged;
                } else {
                    event.type = press ? EventType::keyDown : EventType::keyUp;
                    event.keyCode = code == escapeKeyCode_
                                        ? KeyCode::escape
                                        : static_cast<std::uint16_t>(otherKeyOffset + code);
                }
                break;
            }
            case XCB_INPUT_RAW_BUTTON_PRESS:
            case XCB_INPUT_RAW_BUTTON_RELEASE: {
                bool press = generic->event_type == XCB_INPUT_RAW_BUTTON_PRESS;
                if (detail >= 4 && detail <= 7) {
                    if (!press) return;
                    event.type = EventType::scrollWheel;
                } else if (detail == 1 || detail == 3) {
                    std::uint32_t bit = 1u << (detail - 1);
                    heldButtons_ = press ? (heldButtons_ | bit) : (heldButtons_ & ~bit);
                    event.type = detail == 1 ? (press ? EventType::leftMouseDown : EventType::leftMouseUp)
                                             : (press ? EventType::rightMouseDown : EventType::rightMouseUp);
                } else {
                    return;
                }
                break;
            }
            default:
                return;
        }
        event.modifierFlags = flags_;
    }
    deliver(event);
}

void XInputSource::deliver(Event event) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        handler = handler_;
    }
    if (handler) handler(event);
}

}  // namespace platform::x11
