#include "ui-toolkit/ui/widgets/TamberScrollView.h"

#include <QScrollBar>
#include <QShowEvent>

namespace brindle_ui {

void TamberScrollView::ScrollViewProxy::scrollTo(const QString& identifier) const {
    if (!view_ || !view_->widget()) return;
    if (auto* child = view_->widget()->findChild<QWidget*>(identifier))
        view_->ensureWidgetVisible(child, 0, 0);
}

TamberScrollView::TamberScrollView(DidScroll didScroll, bool pagingEnabled, ScrollProxy scrollProxy,
                                   QWidget* content, QWidget* parent)
    : TamberScrollView(std::move(didScroll), pagingEnabled, std::move(scrollProxy), content, nullptr,
                       parent) {}

TamberScrollView::TamberScrollView(DidScroll didScroll, bool pagingEnabled, ScrollProxy scrollProxy,
                                   QWidget* content, std::function<void(double)> contentWithScrollValue,
                                   QWidget* parent)
    : QScrollArea(parent),
      didScroll_(std::move(didScroll)),
      content2_(std::move(contentWithScrollValue)),
      scrollProxy_(std::move(scrollProxy)),
      pagingEnabled_(pagingEnabled) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    if (content) setWidget(content);
    if (content2_) content2_(scrollValue_);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { offsetChanged(-value); });
}

void TamberScrollView::showEvent(QShowEvent* event) {
    QScrollArea::showEvent(event);
    if (!event->spontaneous() && scrollProxy_) scrollProxy_(ScrollViewProxy(this));
}

void TamberScrollView::offsetChanged(double value) {
    if (value == scrollValue_) return;
    scrollValue_ = value;
    if (content2_) content2_(scrollValue_);
    if (didScroll_) didScroll_(-value);
}

}  // namespace brindle_ui
