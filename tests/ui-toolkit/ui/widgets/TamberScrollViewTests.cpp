#include <QLabel>
#include <QScrollBar>
#include <vector>

#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"
#include "ui-toolkit/ui/widgets/TamberScrollView.h"

using namespace brindle_ui;

using TamberScrollViewTest = WidgetTest;

TEST_F(TamberScrollViewTest, ReportsTheScrolledDistanceAndTheContentOffset) {
    auto* content = new QWidget();
    content->setMinimumHeight(1000);
    auto* target = new QLabel("target", content);
    target->setObjectName("target");
    target->move(0, 900);
    std::vector<double> distances, offsets;
    int proxies = 0;
    auto* view = new TamberScrollView([&](double distance) { distances.push_back(distance); }, false,
                                      [&](const TamberScrollView::ScrollViewProxy& proxy) {
                                          ++proxies;
                                          proxy.scrollTo("target");
                                      },
                                      content, [&](double value) { offsets.push_back(value); });
    EXPECT_EQ(offsets, std::vector<double>{0});
    show(view, QSize(300, 200));
    EXPECT_EQ(proxies, 1);
    EXPECT_GT(view->verticalScrollBar()->value(), 0);  // the proxy scrolled to the target
    view->verticalScrollBar()->setValue(120);
    EXPECT_EQ(distances.back(), 120);
    EXPECT_EQ(offsets.back(), -120);
    EXPECT_EQ(view->scrollValue(), -120);

    // Without the owner's callbacks the value still follows.
    auto* bare = new QWidget();
    bare->setMinimumHeight(800);
    auto* plain = show(new TamberScrollView(nullptr, true, nullptr, bare), QSize(300, 200));
    plain->verticalScrollBar()->setValue(50);
    EXPECT_EQ(plain->scrollValue(), -50);
}
