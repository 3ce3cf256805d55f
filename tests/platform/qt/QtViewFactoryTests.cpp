#include <gtest/gtest.h>

#include <QLabel>

#include "platform/qt/QtViewFactory.h"

using namespace platform;
using namespace platform::qt;

TEST(ViewFactory, CarriesAViewToPresentWithoutQt) {
    ViewFactory factory = makeViewFactory([] { return new QLabel("Presented"); });
    auto first = makeView(factory), second = makeView(factory);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get()) << "a new view every time";
    EXPECT_EQ(qobject_cast<QLabel*>(first.get())->text(), "Presented");
    EXPECT_FALSE(makeView(ViewFactory()));
    EXPECT_FALSE(makeViewFactory({}));
}
