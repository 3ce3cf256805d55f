#include <gtest/gtest.h>

#include "Brindle/Object.h"

namespace Sample {
struct Widget : Brindle::Object {
    int phase = 0;
    void postInit() override {
        Object::postInit();
        phase = 2;
    }
};
}  // namespace Sample

TEST(Object, MakeRunsTheSecondPhaseAndDescribesWithModuleAndAddress) {
    auto widget = Brindle::make<Sample::Widget>();
    EXPECT_EQ(widget->phase, 2);
    EXPECT_EQ(widget->description().rfind("<Sample.Widget: 0x", 0), 0u) << widget->description();
    EXPECT_EQ(widget->description().back(), '>');
    EXPECT_EQ(widget->sharedAs<Sample::Widget>(), widget);
}
