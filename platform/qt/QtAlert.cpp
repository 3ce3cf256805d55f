#include "platform/qt/QtAlert.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>

namespace platform::qt {
namespace {

constexpr const char* responseProperty = "velmoraAlertResponse";

QMessageBox::Icon iconFor(AlertStyle style) {
    switch (style) {
        case AlertStyle::informational:
            return QMessageBox::Information;
        case AlertStyle::critical:
            return QMessageBox::Critical;
        case AlertStyle::warning:
            break;
    }
    return QMessageBox::Warning;
}

}  // namespace

std::unique_ptr<QMessageBox> makeMessageBox(const Alert& alert, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setIcon(iconFor(alert.alertStyle));
    box->setTextFormat(Qt::PlainText);
    // Other programs (and the window list) tell alerts apart by their title.
    box->setWindowTitle(QString::fromStdString(alert.messageText));
    box->setText(QString::fromStdString(alert.messageText));
    if (!alert.informativeText.empty()) {
        box->setInformativeText(QString::fromStdString(alert.informativeText));
        // The informative label guesses rich text on its own; texts come from outside (a server's
        // update message), so they are never interpreted.
        for (auto* label : box->findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    }
    auto titles = alert.buttons();
    if (titles.empty()) titles.push_back("OK");
    for (std::size_t i = 0; i < titles.size(); ++i) {
        auto role = i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
        auto* button = box->addButton(QString::fromStdString(titles[i]), role);
        button->setProperty(responseProperty, QVariant::fromValue<qlonglong>(alertFirstButtonReturn +
                                                                             static_cast<ModalResponse>(i)));
        if (i == alert.defaultButton) box->setDefaultButton(button);
    }
    return box;
}

ModalResponse responseFor(const QMessageBox& box) {
    auto* clicked = box.clickedButton();
    if (!clicked) return modalResponseAbort;
    auto value = clicked->property(responseProperty);
    return value.isValid() ? static_cast<ModalResponse>(value.toLongLong()) : modalResponseAbort;
}

void installMessageBoxAlerts() {
    Alert::setPresenter([](const Alert& alert) {
        auto box = makeMessageBox(alert);
        box->exec();
        return responseFor(*box);
    });
}

}  // namespace platform::qt
