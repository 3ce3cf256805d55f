#include <gtest/gtest.h>

#include <QFontMetrics>

#include "Velmora/taskbar/views/AppIconVisualiser.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "platform/sim/Scenario.h"

using Velmora::AppBadgeView;
using Velmora::AppIconVisualiser;
using Form = AppIconVisualiser::Form;

// Sizes and offsets are pinned by the button snapshots; these follow the forms and their changes.
class AppIconVisualiserTest : public ::testing::Test {
protected:
    // The face of an unpinned application, titled, in a button-sized frame, shown and laid out.
    std::unique_ptr<AppIconVisualiser> face(const std::string& title, std::optional<std::string> badge,
                                            bool withIcon = true) {
        auto icon =
            platform::Image::contentsOfFile(platform::sim::resourcesDirectory() + "/desktop/icons/mail.png");
        auto task = Brindle::make<Velmora::Task>(
            nullptr, 0, *platform::URL::fromString("file:///Applications/Mail.app/"), false, 0, title,
            withIcon ? icon : std::nullopt, Velmora::Windows{});
        auto view = std::make_unique<AppIconVisualiser>(task, true, false, true, std::move(badge));
        view->resize(180, 72);
        view->show();
        loop.runUntilIdle();
        return view;
    }
    // A child's frame in its window's coordinates.
    static QRect frameOf(const QWidget* child) {
        return QRect(child->mapTo(child->window(), QPoint(0, 0)), child->size());
    }
    platform::qt::GuiTestLoop loop;
};

TEST_F(AppIconVisualiserTest, TitlesBadgesByLengthALongTitleCutBeforeTheBadgeAndNoIcon) {
    auto view = face("Mail", std::nullopt);
    ASSERT_EQ(view->form(), Form::titledRow);
    EXPECT_EQ(view->titleLabel()->displayedText(), "Mail");
    EXPECT_LT(frameOf(view->iconView()).right(), frameOf(view->titleLabel()).left());
    view->setShowTitles(false);
    EXPECT_EQ(view->form(), Form::icon);
    // On the icon a short badge is a circle, a long one a capsule, and an empty one stays.
    view->setBadge("3");
    EXPECT_EQ(view->badgeView()->shape(), AppBadgeView::Shape::circle);
    view->setBadge("123");
    EXPECT_EQ(view->badgeView()->shape(), AppBadgeView::Shape::capsule);
    view->setBadge("");
    ASSERT_NE(view->badgeView(), nullptr) << "present but empty";
    EXPECT_TRUE(view->badgeView()->isVisible());
    view->setBadge(std::nullopt);
    EXPECT_EQ(view->badgeView(), nullptr);
    view = face("A title far too long for one button on the bar, whatever the font", "12");
    auto* label = view->titleLabel();
    EXPECT_LE(frameOf(label).right(), frameOf(view->badgeView()).left());
    EXPECT_TRUE(label->displayedText().endsWith(QChar(0x2026))) << label->displayedText().toStdString();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->displayedText()), label->width());
    // Without an icon the row shows the title and the badge, and the icon form nothing.
    auto bare = face("Terminal", "5", false);
    EXPECT_EQ(bare->iconView(), nullptr);
    EXPECT_NE(bare->badgeView(), nullptr);
    bare->setShowTitles(false);
    EXPECT_EQ(bare->badgeView(), nullptr) << "not even the badge";
    QImage image = bare->grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ASSERT_EQ(image.pixel(x, y), image.pixel(0, 0));
}

TEST_F(AppIconVisualiserTest, TheIconIsDecodedOnceForEachScaleWhateverItsFrameAndGoesWithItsView) {
    auto view = face("Mail", std::nullopt);
    auto* icon = view->iconView();
    view->grab();
    QPixmap drawn = icon->picture();
    ASSERT_FALSE(drawn.isNull());
    view->grab();
    EXPECT_EQ(icon->picture().cacheKey(), drawn.cacheKey()) << "drawn again from the same picture";
    // A width animation narrows the frame a little more each frame: the same picture, scaled.
    for (int width : {4, 9, 17, 30}) {
        icon->resize(width, icon->height());
        icon->grab();
        EXPECT_EQ(icon->picture().cacheKey(), drawn.cacheKey()) << "frame " << width << " wide";
    }
    QImage narrow = icon->grab().toImage();
    bool painted = false;
    for (int y = 0; y < narrow.height() && !painted; ++y)
        for (int x = 0; x < narrow.width() && !painted; ++x) painted = qAlpha(narrow.pixel(x, y)) > 0;
    EXPECT_TRUE(painted) << "a narrow frame still shows the icon";
    drawn = icon->picture();
    // Nothing but this copy holds the picture once the application's face is gone.
    view.reset();
    EXPECT_TRUE(drawn.isDetached());
}
