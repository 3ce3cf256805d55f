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

TEST(AppIconVisualiser, TitlesOnlyForUnpinnedApplicationsOfABarThatShowsThem) {
    Face face(makeTask("Mail"), true, false, true, std::nullopt);
    ASSERT_EQ(face.view.form(), Form::titledRow);
    ASSERT_NE(face.view.titleLabel(), nullptr);
    ASSERT_NE(face.view.iconView(), nullptr);
    EXPECT_EQ(face.view.titleLabel()->displayedText(), "Mail");
    auto icon = face.frameOf(face.view.iconView());
    EXPECT_EQ(icon.width(), 40);
    EXPECT_EQ(icon.left(), 4) << "inset on the leading side";
    EXPECT_EQ(face.view.iconView()->pictureRect().size(), QSize(40, 40));
    EXPECT_EQ(face.frameOf(face.view.titleLabel()).left(), icon.right() + 1 + 4);
    EXPECT_EQ(face.view.badgeView(), nullptr);

    face.view.setPinned(true);
    EXPECT_EQ(face.view.form(), Form::icon) << "a pinned application never gets its title";
    EXPECT_EQ(face.view.titleLabel(), nullptr);
    face.view.setPinned(false);
    face.view.setShowTitles(false);
    EXPECT_EQ(face.view.form(), Form::icon);
    face.loop.runUntilIdle();
    auto centred = face.frameOf(face.view.iconView());
    EXPECT_EQ(centred.width(), 40);
    EXPECT_EQ(centred.center().x(), face.view.rect().center().x());
}

TEST(AppIconVisualiser, TheRowBadgeIsADiscAtTheTrailingEndAndALongTitleIsCut) {
    std::string title = "A title far too long for one button on the bar, whatever the font";
    Face face(makeTask(title), true, false, true, "12");
    ASSERT_NE(face.view.badgeView(), nullptr);
    auto badge = face.frameOf(face.view.badgeView());
    EXPECT_EQ(badge.size(), QSize(21, 21));
    EXPECT_EQ(face.view.badgeView()->shape(), AppBadgeView::Shape::circle);
    EXPECT_EQ(face.view.width() - (badge.right() + 1), 4 + 4) << "the gap and the spacing before it";
    auto label = face.view.titleLabel();
    EXPECT_LE(face.frameOf(label).right(), badge.left());
    EXPECT_TRUE(label->displayedText().endsWith(QChar(0x2026))) << label->displayedText().toStdString();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->displayedText()), label->width());

    // Without padding the row touches the face's edges.
    Face flush(makeTask("Mail"), false, false, true, std::nullopt);
    auto icon = flush.frameOf(flush.view.iconView());
    EXPECT_EQ(icon.left(), 0);
    EXPECT_EQ(icon.top(), 0);
    EXPECT_EQ(icon.height(), flush.view.height());
}

TEST(AppIconVisualiser, TheIconBadgeIsACircleOrACapsuleOutOfTheIconsCorner) {
    Face face(makeTask("Mail"), true, false, false, "3", {48, 72});
    auto picture =
        face.view.iconView()->pictureRect().translated(face.frameOf(face.view.iconView()).topLeft());
    auto badgeFrame = [&] { return face.frameOf(face.view.badgeView()); };
    ASSERT_NE(face.view.badgeView(), nullptr);
    EXPECT_EQ(face.view.badgeView()->shape(), AppBadgeView::Shape::circle);
    EXPECT_EQ(badgeFrame().right() + 1, picture.right() + 1 + 4);
    EXPECT_EQ(badgeFrame().top(), picture.top() - 4);
    QSize text(face.view.fontMetrics().horizontalAdvance("3"), face.view.fontMetrics().height());
    EXPECT_EQ(badgeFrame().size(), text + QSize(8, 8));
    auto disc = face.view.badgeView()->shapeRect();
    EXPECT_DOUBLE_EQ(disc.width(), disc.height()) << "clipped to a circle";

    face.view.setBadge("123");
    EXPECT_EQ(face.view.badgeView()->shape(), AppBadgeView::Shape::capsule);
    EXPECT_EQ(badgeFrame().right() + 1, picture.right() + 1 + 14);
    EXPECT_EQ(badgeFrame().top(), picture.top() - 4);
    text = QSize(face.view.fontMetrics().horizontalAdvance("123"), face.view.fontMetrics().height());
    EXPECT_EQ(badgeFrame().size(), text + QSize(4, 4));

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
    EXPECT_EQ(face.frameOf(face.view.titleLabel()).left(), 4);
    EXPECT_NE(face.view.badgeView(), nullptr);

    face.view.setShowTitles(false);
    EXPECT_EQ(face.view.iconView(), nullptr);
    EXPECT_EQ(face.view.badgeView(), nullptr) << "not even the badge";
    QImage image = face.view.grab().toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ASSERT_EQ(image.pixel(x, y), image.pixel(0, 0));
}
