#pragma once

#include <QLabel>
#include <QWidget>
#include <memory>

#include "Velmora/taskbar/TimeManager.h"
#include "rx/Disposable.h"

namespace Velmora {

// The bar's clock: the time above the date, centred, in the default font. It holds its
// TimeManager, so the clock runs as long as the view lives. Main thread only.
class ClockView : public QWidget {
    Q_OBJECT
public:
    explicit ClockView(std::shared_ptr<TimeManager> time, QWidget* parent = nullptr);

    const std::shared_ptr<TimeManager>& time() const { return time_; }
    QLabel* timeLabel() const { return timeLabel_; }
    QLabel* dateLabel() const { return dateLabel_; }

private:
    const std::shared_ptr<TimeManager> time_;
    QLabel* timeLabel_;
    QLabel* dateLabel_;
    rx::DisposeBag disposeBag_;
};

}  // namespace Velmora
