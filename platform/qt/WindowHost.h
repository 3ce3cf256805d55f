#pragma once

#include <QBackingStore>
#include <QCloseEvent>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include "platform/qt/Window.h"

namespace platform::qt {

// The Qt widget behind a Window. It outlives its Window when the Window goes away during one of
// its own events (a close button whose handler releases the window), and then deletes itself
// later.
class Window::Host final : public QWidget {
public:
    explicit Host(Window* owner) : owner(owner) {
        setAttribute(Qt::WA_QuitOnClose, false);
        layout_ = new QVBoxLayout(this);
        layout_->setContentsMargins(0, 0, 0, 0);
        layout_->setSpacing(0);
        // The frame is what the program says, whatever the content would like.
        layout_->setSizeConstraint(QLayout::SetNoConstraint);
    }

    void setContent(QWidget* view) {
        if (content_ == view) return;
        delete content_.data();
        content_ = view;
        if (view) layout_->addWidget(view);
    }
    QWidget* content() const { return content_; }

    Window* owner;
    int eventDepth = 0;

protected:
    bool event(QEvent* event) override {
        // Deletes this host: nothing of it may be touched afterwards.
        if (event->type() == QEvent::DeferredDelete) return QWidget::event(event);
        ++eventDepth;
        bool handled = QWidget::event(event);
        --eventDepth;
        if (!owner) return handled;
        switch (event->type()) {
            case QEvent::ActivationChange:
                owner->activationChanged(isActiveWindow());
                break;
            case QEvent::Show:
                if (!watchingWindow_ && windowHandle()) {
                    windowHandle()->installEventFilter(this);
                    watchingWindow_ = true;
                }
                owner->updateOcclusion();
                break;
            case QEvent::Hide:
                owner->ignoreNextActivation_ = false;
                owner->orderedOut();
                break;
            case QEvent::WindowStateChange:
                owner->updateOcclusion();
                break;
            case QEvent::Move:
                owner->geometryChangedByQt();
                break;
            case QEvent::Resize:
                owner->geometryChangedByQt();
                owner->updateVisibleRegion();
                break;
            default:
                break;
        }
        return handled;
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (owner && watched == owner->visiblePart_.data()) {
            switch (event->type()) {
                case QEvent::Move:
                case QEvent::Resize:
                case QEvent::Show:
                case QEvent::Hide:
                    owner->updateVisibleRegion();
                    break;
                default:
                    break;
            }
        }
        // The window has taken its new exposure by the time the event is delivered.
        if (owner && watched == windowHandle() && event->type() == QEvent::Expose) {
            QPointer<Host> self(this);
            QMetaObject::invokeMethod(
                this,
                [self] {
                    if (self && self->owner) self->owner->updateOcclusion();
                },
                Qt::QueuedConnection);
        }
        return QWidget::eventFilter(watched, event);
    }

    void closeEvent(QCloseEvent* event) override {
        // The window manager's close button closes the platform window, subclasses included.
        if (owner && !owner->closing_) owner->close();
        event->accept();
    }

    void paintEvent(QPaintEvent*) override {
        if (!owner || !owner->backgroundColor_.isValid()) return;
        // A see-through window's own backing store is cleared before every paint: clearing it
        // again would cost a fill each animation frame. Rendered elsewhere, it is cleared here.
        if (owner->backgroundColor_.alpha() == 0 && backingStore() &&
            redirected(nullptr) == backingStore()->paintDevice())
            return;
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), owner->backgroundColor_);
    }

private:
    QVBoxLayout* layout_;
    QPointer<QWidget> content_;
    bool watchingWindow_ = false;
};

}  // namespace platform::qt
