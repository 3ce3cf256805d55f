#pragma once

#include <QPointer>
#include <QScrollArea>
#include <QString>
#include <functional>

namespace brindle_ui {

// The toolkit's vertical scroll view: it tells its owner how far the content has been scrolled
// after every change, hands content that wants it the current offset of its top edge, and gives
// the owner a proxy for scrolling to a child on every appearance.
class TamberScrollView : public QScrollArea {
    Q_OBJECT
public:
    // How offsets reported by several parts combine: they add up; 0 without any.
    struct ScrollViewOffsetPreferenceKey {
        static constexpr double defaultValue = 0;
        static void reduce(double& value, double next) { value += next; }
    };

    class ScrollViewProxy {
    public:
        explicit ScrollViewProxy(QScrollArea* view) : view_(view) {}
        // Scrolls until the child whose object name is `identifier` is visible.
        void scrollTo(const QString& identifier) const;

    private:
        QPointer<QScrollArea> view_;
    };

    using DidScroll = std::function<void(double)>;
    using ScrollProxy = std::function<void(const ScrollViewProxy&)>;

    // `content` becomes the scrolled widget.
    TamberScrollView(DidScroll didScroll, bool pagingEnabled, ScrollProxy scrollProxy, QWidget* content,
                     QWidget* parent = nullptr);
    // `contentWithScrollValue` is told the offset of the content's top edge now and after each change.
    TamberScrollView(DidScroll didScroll, bool pagingEnabled, ScrollProxy scrollProxy, QWidget* content,
                     std::function<void(double)> contentWithScrollValue, QWidget* parent = nullptr);

    // 0 at the top, negative once the content has moved up.
    double scrollValue() const { return scrollValue_; }
    bool pagingEnabled() const { return pagingEnabled_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void offsetChanged(double value);

    DidScroll didScroll_;
    std::function<void(double)> content2_;
    ScrollProxy scrollProxy_;
    bool pagingEnabled_;
    double scrollValue_ = 0;
};

}  // namespace brindle_ui
