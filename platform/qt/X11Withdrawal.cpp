#include "platform/qt/X11Withdrawal.h"

#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <cstring>

namespace platform::qt {
namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t wmStateAtom(xcb_connection_t* c) {
    static const char name[] = "WM_STATE";
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    xcb_atom_t value = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return value;
}

// x11WindowManagerHolds, with the WM_STATE atom already known.
bool managerHolds(QWidget* window, xcb_atom_t wmState) {
    auto* c = connection();
    if (!c || !window->testAttribute(Qt::WA_WState_Created)) return false;
    auto id = static_cast<xcb_window_t>(window->winId());
    auto stateCookie = xcb_get_property(c, 0, id, wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 1);
    auto treeCookie = xcb_query_tree(c, id);
    bool holds = false;
    // WM_STATE's first word: 0 withdrawn, 1 normal, 3 iconic.
    if (auto* state = xcb_get_property_reply(c, stateCookie, nullptr)) {
        if (xcb_get_property_value_length(state) >= 4)
            holds = *static_cast<std::uint32_t*>(xcb_get_property_value(state)) != 0;
        std::free(state);
    }
    if (auto* tree = xcb_query_tree_reply(c, treeCookie, nullptr)) {
        holds = holds || tree->parent != tree->root;
        std::free(tree);
    }
    return holds;
}

// Waits for the manager's marks on one window, re-reading them after each of its events.
class WithdrawalWatch final : public QObject, public QAbstractNativeEventFilter {
public:
    WithdrawalWatch(QWidget* window, double timeout, std::function<void()> done)
        : QObject(window),
          window_(window),
          id_(static_cast<xcb_window_t>(window->winId())),
          wmState_(wmStateAtom(connection())),
          done_(std::move(done)) {
        qGuiApp->installNativeEventFilter(this);
        QTimer::singleShot(static_cast<int>(timeout * 1000), this, [this] { finish(); });
    }
    ~WithdrawalWatch() override { qGuiApp->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (finished_ || type != QByteArrayLiteral("xcb_generic_event_t")) return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        bool ours = false;
        switch (event->response_type & 0x7f) {
            case XCB_PROPERTY_NOTIFY: {
                auto* property = reinterpret_cast<xcb_property_notify_event_t*>(event);
                ours = property->window == id_ && property->atom == wmState_;
                break;
            }
            case XCB_REPARENT_NOTIFY:
                ours = reinterpret_cast<xcb_reparent_notify_event_t*>(event)->window == id_;
                break;
            case XCB_DESTROY_NOTIFY:
                ours = reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == id_;
                break;
            default:
                break;
        }
        // Read after Qt has handled the event, outside its event dispatch.
        if (ours)
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (!window_ || !managerHolds(window_, wmState_)) finish();
                },
                Qt::QueuedConnection);
        return false;
    }

private:
    void finish() {
        if (finished_) return;
        finished_ = true;
        qGuiApp->removeNativeEventFilter(this);
        deleteLater();
        if (window_) done_();
    }

    QPointer<QWidget> window_;
    const xcb_window_t id_;
    const xcb_atom_t wmState_;
    std::function<void()> done_;
    bool finished_ = false;
};

}  // namespace

bool x11WindowManagerHolds(QWidget* window) {
    auto* c = connection();
    return c && managerHolds(window, wmStateAtom(c));
}

void whenX11WindowManagerLetsGo(QWidget* window, double timeout, std::function<void()> done) {
    if (!x11WindowManagerHolds(window)) {
        done();
        return;
    }
    new WithdrawalWatch(window, timeout, std::move(done));
}

}  // namespace platform::qt
