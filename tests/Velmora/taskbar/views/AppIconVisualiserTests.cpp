#include <gtest/gtest.h>

#include <QFontMetrics>
#include <memory>
#include <optional>
#include <string>

#include "Velmora/taskbar/views/AppIconVisualiser.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "platform/sim/Scenario.h"

using Velmora::AppBadgeView;
using Velmora::AppIconVisualiser;
using Form = AppIconVisualiser::Form;

namespace {

std::shared_ptr<Velmora::Task> makeTask(const std::string& title, bool withIcon = true) {
    std::optional<platform::Image> icon;
    if (withIcon)
        icon =
            platform::Image::contentsOfFile(platform::sim::resourcesDirectory() + "/desktop/icons/mail.png");
    EXPECT_EQ(icon.has_value(), withIcon);
    return Brindle::make<Velmora::Task>(nullptr, 0,
                                        *platform::URL::fromString("file:///Applications/Mail.app/"), false,
                                        0, title, icon, Velmora::Windows{});
}

// A face in a button-sized frame, shown and laid out.
struct Face {
    Face(std::shared_ptr<Velmora::Task> task, bool padding, bool pinned, bool showTitles,
         std::optional<std::string> badge, QSize size = {180, 72})
        : view(std::move(task), padding, pinned, showTitles, std::move(badge)) {
        view.resize(size);
        view.show();
        loop.runUntilIdle();
    }
    // A child's frame in the face's coordinates.
    QRect frameOf(const QWidget* child) const {
        return QRect(child->mapTo(&view, QPoint(0, 0)), child->size());
    }

    platform::qt::GuiTestLoop loop;
    AppIconVisualiser view;
};

}  // namespace

// Sizes and offsets are pinned by the button snapshots; these follow the forms and their changes.
TEST(AppIconVisualiser, TitlesOnlyForUnpinnedApplicationsOfABarThatShowsThem) {
    Face face(makeTask("Mail"), true, false, true, std::nullopt);
    ASSERT_EQ(face.view.form(), Form::titledRow);
    ASSERT_NE(face.view.titleLabel(), nullptr);
    EXPECT_EQ(face.view.titleLabel()->displayedText(), "Mail");
    EXPECT_LT(face.frameOf(face.view.iconView()).right(), face.frameOf(face.view.titleLabel()).left());
    EXPECT_EQ(face.view.badgeView(), nullptr);

    face.view.setPinned(true);
    EXPECT_EQ(face.view.form(), Form::icon) << "a pinned application never gets its title";
    EXPECT_EQ(face.view.titleLabel(), nullptr);
    face.view.setPinned(false);
    face.view.setShowTitles(false);
    EXPECT_EQ(face.view.form(), Form::icon);
    face.loop.runUntilIdle();
    EXPECT_EQ(face.frameOf(face.view.iconView()).center().x(), face.view.rect().center().x());
}

TEST(AppIconVisualiser, ALongTitleIsCutBeforeTheBadge) {
    std::string title = "A title far too long for one button on the bar, whatever the font";
    Face face(makeTask(title), true, false, true, "12");
    ASSERT_NE(face.view.badgeView(), nullptr);
    auto label = face.view.titleLabel();
    EXPECT_LE(face.frameOf(label).right(), face.frameOf(face.view.badgeView()).left());
    EXPECT_TRUE(label->displayedText().endsWith(QChar(0x2026))) << label->displayedText().toStdString();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->displayedText()), label->width());
}

TEST(AppIconVisualiser, TheBadgeIsACircleOrACapsuleAndAnEmptyOneStays) {
    Face face(makeTask("Mail"), true, false, false, "3", {48, 72});
    ASSERT_NE(face.view.badgeView(), nullptr);
    EXPECT_EQ(face.view.badgeView()->shape(), AppBadgeView::Shape::circle);
    auto disc = face.view.badgeView()->shapeRect();
    EXPECT_DOUBLE_EQ(disc.width(), disc.height()) << "clipped to a circle";
    face.view.setBadge("123");
    EXPECT_EQ(face.view.badgeView()->shape(), AppBadgeView::Shape::capsule);
    face.view.setBadge("");
    ASSERT_NE(face.view.badgeView(), nullptr) << "present but empty";
    EXPECT_EQ(face.view.badgeView()->shape(), AppBadgeView::Shape::circle);
    EXPECT_TRUE(face.view.badgeView()->isVisible());
    face.view.setBadge(std::nullopt);
    EXPECT_EQ(face.view.badgeView(), nullptr);
}

TEST(AppIconVisualiser, WithoutAnIconTheRowShowsTheTitleAndTheIconFormNothing) {
    Face face(makeTask("Terminal", false), true, false, true, "5");
    EXPECT_EQ(face.view.iconView(), nullptr);
    ASSERT_NE(face.view.titleLabel(), nullptr);
    EXPECT_NE(face.view.badgeView(), nullptr);

    face.view.setShowTitles(false);
    EXPECT_EQ(face.view.iconView(), nullptr);
    EXPECT_EQ(face.view.badgeView(), nullptr) << "not even the badge";
    QImage image = face.view.grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ASSERT_EQ(image.pixel(x, y), image.pixel(0, 0));
}
