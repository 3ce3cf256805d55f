#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "Velmora/settings/TaskbarTheme.h"

namespace Velmora {

class Taskbar;
class Theme;

// The bar's painted parts: its root and body, the separators and the menu image.
namespace taskbar_parts {

bool isDark(const Theme* theme);

// Places the body by hand: it floats or spans after the layout and slides down while hidden.
class Root : public QWidget {
public:
    explicit Root(std::function<void()> place);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent*) override;

private:
    std::function<void()> place_;
};

class Body : public QWidget {
public:
    Body(const Theme* theme, std::function<TaskbarThemeSettings()> settings);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const Theme* theme_;
    std::function<TaskbarThemeSettings()> settings_;
    // The rounded ends and a piece of the inside, drawn once for each look and height: a frame of
    // an animation then copies pixels instead of filling an antialiased path across the body.
    struct EndsLook {
        double radius = -1, extraAlpha = 0;
        bool dark = false;
        int height = 0;
        qreal ratio = 0;
        friend bool operator==(const EndsLook&, const EndsLook&) = default;
    };
    QImage ends_;
    EndsLook endsLook_;
};

class Separator : public QWidget {
public:
    explicit Separator(const Theme* theme);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const Theme* theme_;
};

// The menu image in its own colours multiplied by the tint.
class MenuImage : public QWidget {
public:
    explicit MenuImage(const Taskbar* bar);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const Taskbar* bar_;
};

// The drop position of a dragged button: accent blue, at most 8 points wide, over the leading
// edge of the button at that position. Lets the pointer through.
class DropMarker : public QWidget {
public:
    static constexpr double maximumWidth = 8.0;
    explicit DropMarker(QWidget* parent);
    // Along the parent's leading edge.
    void place();

protected:
    void paintEvent(QPaintEvent*) override;
};

// A row of buttons, without margins.
QWidget* row(QWidget* parent);

// Where a box layout without margins holding `child` alone would put it in `space`: as wide as its
// limits allow, centred in what is left, and as tall as they allow. Places it there.
void placeAlone(QWidget* child, const QRect& space);

}  // namespace taskbar_parts
}  // namespace Velmora
