#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

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
    EXPECT_TRUE(box->text() == "Update <b>required</b>" && box->icon() == QMessageBox::Critical);
    int plainLabels = 0;
    for (auto* label : box->findChildren<QLabel*>())
        if (!label->text().isEmpty()) plainLabels += label->textFormat() == Qt::PlainText ? 1 : 10;
    EXPECT_EQ(plainLabels, 2) << "both texts, as plain text";
    EXPECT_EQ(box->defaultButton()->text(), "Download now");
    EXPECT_EQ(responseFor(*box), modalResponseAbort) << "unanswered";
    box->show();
    box->buttons().back()->click();
    loop.runUntilIdle();
    EXPECT_EQ(responseFor(*box), alertSecondButtonReturn);
    // Another default button: Return and Escape both choose it when it is the last one.
    alert.defaultButton = 1;
    auto careful = makeMessageBox(alert);
    careful->show();
    EXPECT_EQ(careful->defaultButton()->text(), "Later");
    QTest::keyClick(careful.get(), Qt::Key_Escape);
    loop.runUntilIdle();
    EXPECT_EQ(responseFor(*careful), alertSecondButtonReturn);
    // An alert without buttons offers OK (its answer is the first button's: the end-to-end update
    // checks press it).
    auto plain = makeMessageBox(Alert());
    EXPECT_TRUE(plain->buttons().size() == 1 && plain->buttons().front()->text() == "OK");
    EXPECT_EQ(plain->icon(), QMessageBox::Warning);
    // Installed, message boxes still give way to a test's responder.
    auto previous = Alert::setPresenter({});
    installMessageBoxAlerts();
    {
        Alert::ScopedResponder responder([](const Alert&) { return alertSecondButtonReturn; });
        EXPECT_EQ(alert.runModal(), alertSecondButtonReturn);
    }
    Alert::setPresenter(std::move(previous));
}
