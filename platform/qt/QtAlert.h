#pragma once

#include <QMessageBox>
#include <memory>

#include "platform/system/Alert.h"

namespace platform::qt {

// The message box that shows `alert`: every text as plain text, its buttons in order, the first
// as the default. Each button answers the alert's response for it (see `responseFor`).
std::unique_ptr<QMessageBox> makeMessageBox(const Alert& alert, QWidget* parent = nullptr);
// The response for the button the box was closed with; modalResponseAbort without one.
ModalResponse responseFor(const QMessageBox& box);

// Installs message boxes as the process's alert presenter (the program, not tests).
void installMessageBoxAlerts();

}  // namespace platform::qt
