#pragma once

#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <functional>

namespace Brindle {

class PressTracker;

// The translucent material behind a window's content, always drawn as in an active window. The
// material is fixed at creation.
class VisualEffect : public QWidget {
    Q_OBJECT
public:
    enum class Material {
        titlebar,
        selection,
        menu,
        popover,
        sidebar,
        headerView,
        sheet,
        windowBackground,
        hudWindow,
        fullScreenUI,
        toolTip,
        contentBackground,
        underWindowBackground,
        underPageBackground
    };

    explicit VisualEffect(Material material, QWidget* parent = nullptr);
    Material material() const { return material_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Material material_;
};

// Measures the length offered along one axis and hands it to its content: first 10, then the
// measured length whenever it changes. The reader stretches along that axis.
class SingleAxisGeometryReader : public QWidget {
    Q_OBJECT
public:
    // How lengths reported by several parts combine: the largest wins; 10 without any.
    struct SizeKey {
        static constexpr double defaultValue = 10;
        static void reduce(double& value, double next) { value = std::max(value, next); }
    };

    // `content` becomes a child, placed by `alignment`; `update` is called with each length.
    SingleAxisGeometryReader(Qt::Orientation axis, Qt::Alignment alignment, QWidget* content,
                             std::function<void(double)> update, QWidget* parent = nullptr);

    double size() const { return size_; }
    Qt::Orientation axis() const { return axis_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Qt::Orientation axis_;
    std::function<void(double)> update_;
    double size_ = SizeKey::defaultValue;
};

// Calls `callback` once at the start of every press on `view` (or inside it), however far the
// pointer then moves.
void onTouchDownGesture(QWidget* view, std::function<void()> callback);

// Gives `view` a square frame of `size` points.
void frameSize(QWidget* view, double size);

}  // namespace Brindle
