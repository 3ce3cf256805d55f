#include <gtest/gtest.h>

#include <QLabel>

#include "platform/qt/QtViewFactory.h"

using namespace platform;

TEST(ViewFactory, MakesANewViewEveryTimeAndNoneWhenEmpty) {
    auto factory = qt::makeViewFactory([] { return new QLabel("Presented"); });
    auto first = qt::makeView(factory), second = qt::makeView(factory);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(qobject_cast<QLabel*>(first.get())->text(), "Presented");
    EXPECT_FALSE(qt::makeView(ViewFactory()) || qt::makeViewFactory({}));
}
