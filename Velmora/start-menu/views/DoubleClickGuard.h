#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

namespace Velmora {

// Keeps the second click of a double click off a row that was not under its first click: a
// section that opens or closes moves rows under a pointer that stays put, and the row that arrives
// there must not take a click meant for the one that left. Watches the presses that reach `area`
// (the rows leave them to it); `rowAt` names the row under a global point, none over a gap.
class DoubleClickGuard final : public QObject {
    Q_OBJECT
public:
    DoubleClickGuard(QWidget* area, std::function<QWidget*(QPoint)> rowAt);

    // Whether the latest press, whose tap may still be on its way, is to be dropped.
    bool dropsLatestPress() const { return dropsLatest_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Press {
        unsigned long time = 0;
        QPoint position;
        QPointer<QWidget> row;
    };

    void pressed(unsigned long time, QPoint position);

    std::function<QWidget*(QPoint)> rowAt_;
    // The first click of a possible double click.
    std::optional<Press> previous_;
    std::optional<unsigned long> lastPressTime_;
    bool dropsLatest_ = false;
};

}  // namespace Velmora
