#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "platform/qt/QtAlert.h"
#include "platform/qt/testing/GuiTestLoop.h"

using namespace platform;
using namespace platform::qt;

TEST(QtAlert, TheMessageBoxShowsEveryTextAsPlainTextAndAnswersByButtonOrder) {
    GuiTestLoop loop;
    Alert alert;
    alert.messageText = "Update <b>required</b>";
    alert.informativeText = "Version 2.0 <a href=\"x\">fixes</a> things.";
    alert.alertStyle = AlertStyle::critical;
    alert.addButton("Download now");
    alert.addButton("Later");
    auto box = makeMessageBox(alert);
    EXPECT_EQ(box->text(), "Update <b>required</b>");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    int plainLabels = 0;
    for (auto* label : box->findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
        ++plainLabels;
    }
    EXPECT_EQ(plainLabels, 2);
    EXPECT_EQ(box->defaultButton()->text(), "Download now");
    EXPECT_EQ(responseFor(*box), modalResponseAbort) << "unanswered";
    box->show();
    box->buttons().back()->click();
    loop.runUntilIdle();
    EXPECT_EQ(responseFor(*box), alertSecondButtonReturn);

    // An alert without buttons offers OK.
    Alert done;
    done.alertStyle = AlertStyle::informational;
    auto plain = makeMessageBox(done);
    ASSERT_EQ(plain->buttons().size(), 1);
    EXPECT_EQ(plain->buttons().front()->text(), "OK");
    EXPECT_EQ(plain->icon(), QMessageBox::Information);
    EXPECT_EQ(makeMessageBox(Alert())->icon(), QMessageBox::Warning);
    plain->show();
    plain->buttons().front()->click();
    loop.runUntilIdle();
    EXPECT_EQ(responseFor(*plain), alertFirstButtonReturn);

    // Installed, message boxes still give way to a test's responder.
    auto previous = Alert::setPresenter({});
    installMessageBoxAlerts();
    {
        Alert::ScopedResponder responder([](const Alert&) { return alertSecondButtonReturn; });
        EXPECT_EQ(alert.runModal(), alertSecondButtonReturn);
    }
    Alert::setPresenter(std::move(previous));
}
