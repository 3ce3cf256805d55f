#pragma once

#include <QPointer>

#include "ui-toolkit/ui/Color.h"
#include "ui-toolkit/ui/widgets/ThemeComponent.h"

namespace brindle_ui {

// The toolkit's card: its content padded and centred on a theme-coloured background as wide as
// the space offered, clipped to a rounded rectangle. A card inside another card takes a slightly
// different background.
class CardComponent : public ThemeComponent {
    Q_OBJECT
public:
    static constexpr double cornerRadius = 10;

    // `content` becomes a child of the card.
    CardComponent(bool inCardView, QWidget* content, double padding, QWidget* parent = nullptr);

    bool inCardView() const { return inCardView_; }
    double padding() const { return padding_; }
    // The background for the current theme.
    Color cardColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateMask();

    bool inCardView_;
    double padding_;
};

}  // namespace brindle_ui
