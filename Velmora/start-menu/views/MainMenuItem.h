#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

namespace Brindle {
class TouchableComponent;
}

namespace Velmora {

// One row of the main menu's sidebar: an optional indent, a symbol or image, the title and, for
// a row that opens a sub-menu, a chevron showing whether it is open.
class MainMenuItem : public QWidget {
    Q_OBJECT
public:
    static constexpr int rowWidth = 180;
    static constexpr int indent = 32;
    static constexpr int iconSize = 24;
    static constexpr int indentedIconSize = 17;
    static constexpr int chevronSize = 14;

    struct Spec {
        bool indented = false;
        bool expandable = false;
        bool expanded = false;
        std::string title;
        std::optional<std::string> systemImage;
        // An image asset, drawn in its own colours.
        std::optional<std::string> image;
        std::function<void()> action;
    };

    explicit MainMenuItem(Spec spec, QWidget* parent = nullptr);

    const Spec& spec() const { return spec_; }
    bool expanded() const { return spec_.expanded; }
    void setExpanded(bool expanded);
    Brindle::TouchableComponent* touchable() const { return touchable_; }
    // The chevron's symbol name; empty for a row that does not expand.
    const std::string& chevronSymbol() const { return chevronSymbol_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void drawIcons();

    Spec spec_;
    Brindle::TouchableComponent* touchable_ = nullptr;
    QLabel* icon_ = nullptr;
    QLabel* chevron_ = nullptr;
    std::string chevronSymbol_;
};

}  // namespace Velmora
