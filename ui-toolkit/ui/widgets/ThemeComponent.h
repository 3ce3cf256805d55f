#pragma once

#include <QWidget>
#include <functional>

#include "rx/Disposable.h"
#include "ui-toolkit/ui/Theme.h"

namespace brindle_ui {

// Follows the toolkit's theme: from its first appearance on, every change of the theme
// re-renders it (the content function is called and the widget repainted), and a theme equal to
// the one it has changes nothing. Subclasses draw with `theme()`.
class ThemeComponent : public QWidget {
    Q_OBJECT
public:
    explicit ThemeComponent(std::function<void(Theme)> content = nullptr, QWidget* parent = nullptr);

    Theme theme() const { return theme_; }

protected:
    void showEvent(QShowEvent* event) override;
    // Called after the theme has changed; the base calls the content function and repaints.
    virtual void themeChanged();

private:
    void receive(Theme theme);

    std::function<void(Theme)> content_;
    Theme theme_;
    // One more subscription per appearance; they end with the component.
    rx::DisposeBag disposeBag_;
};

}  // namespace brindle_ui
