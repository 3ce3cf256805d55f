#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "platform/qt/Menu.h"
#include "platform/qt/QtAlert.h"
#include "platform/qt/testing/GuiTestLoop.h"

using namespace platform;
using namespace platform::qt;

namespace {

Alert updateAlert() {
    Alert alert;
    alert.messageText = "Update <b>required</b>";
    alert.informativeText = "Version 2.0 <a href=\"x\">fixes</a> things.";
    alert.alertStyle = AlertStyle::critical;
    alert.addButton("Download now");
    alert.addButton("Later");
    return alert;
}

QAbstractButton* buttonTitled(QMessageBox& box, const QString& title) {
    for (auto* button : box.buttons())
        if (button->text() == title) return button;
    return nullptr;
}

}  // namespace

TEST(QtAlert, TheMessageBoxShowsEveryTextAsPlainTextAndAnswersByButtonOrder) {
    GuiTestLoop loop;
    auto box = makeMessageBox(updateAlert());
    EXPECT_EQ(box->text(), "Update <b>required</b>");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    int plainLabels = 0;
    for (auto* label : box->findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
        ++plainLabels;
    }
    EXPECT_EQ(plainLabels, 2);
    EXPECT_EQ(box->defaultButton(), buttonTitled(*box, "Download now"));

    box->show();
    buttonTitled(*box, "Later")->click();
    loop.runUntilIdle();
    EXPECT_EQ(responseFor(*box), alertSecondButtonReturn);

    auto unanswered = makeMessageBox(updateAlert());
    EXPECT_EQ(responseFor(*unanswered), modalResponseAbort);
}

TEST(QtAlert, AnAlertWithoutButtonsOffersOk) {
    GuiTestLoop loop;
    Alert alert;
    alert.messageText = "Done";
    auto box = makeMessageBox(alert);
    ASSERT_EQ(box->buttons().size(), 1);
    box->show();
    box->buttons().front()->click();
    loop.runUntilIdle();
    EXPECT_EQ(box->buttons().front()->text(), "OK");
    EXPECT_EQ(responseFor(*box), alertFirstButtonReturn);
}

TEST(QtAlert, InstalledMessageBoxesGiveWayToATestResponder) {
    auto previous = Alert::setPresenter({});
    installMessageBoxAlerts();
    {
        std::vector<std::string> seen;
        Alert::ScopedResponder responder([&](const Alert& alert) {
            seen.push_back(alert.messageText);
            return alertSecondButtonReturn;
        });
        EXPECT_EQ(updateAlert().runModal(), alertSecondButtonReturn);
        EXPECT_EQ(seen, std::vector<std::string>{"Update <b>required</b>"});
    }
    Alert::setPresenter(std::move(previous));
}
