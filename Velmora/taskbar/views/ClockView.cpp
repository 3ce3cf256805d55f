#include "Velmora/taskbar/views/ClockView.h"

#include <QPointer>
#include <QVBoxLayout>
#include <string>

namespace Velmora {
namespace {

QLabel* makeLine(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// Told before the value is stored: the handler uses the value it is given.
void follow(const rx::Published<std::string>& text, QLabel* label, rx::DisposeBag& bag) {
    bag.insert(text.observe([guard = QPointer<QLabel>(label)](const std::string& value) {
        if (guard) guard->setText(QString::fromStdString(value));
    }));
}

}  // namespace

ClockView::ClockView(std::shared_ptr<TimeManager> time, QWidget* parent)
    : QWidget(parent), time_(std::move(time)), timeLabel_(makeLine(this)), dateLabel_(makeLine(this)) {
    // Spacing and font are the toolkit's defaults.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addStretch();
    column->addWidget(timeLabel_, 0, Qt::AlignHCenter);
    column->addWidget(dateLabel_, 0, Qt::AlignHCenter);
    column->addStretch();

    follow(time_->timeString, timeLabel_, disposeBag_);
    follow(time_->dateString, dateLabel_, disposeBag_);
}

}  // namespace Velmora
