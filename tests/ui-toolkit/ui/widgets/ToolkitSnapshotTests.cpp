#include <gtest/gtest.h>

#include <QDir>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "Brindle/widgets/TouchableComponent.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "ui-toolkit/ui/Theme.h"
#include "ui-toolkit/ui/widgets/CardComponent.h"
#include "ui-toolkit/ui/widgets/SpinnerComponent.h"
#include "ui-toolkit/ui/widgets/TamberButton.h"

using namespace brindle_ui;

namespace {

// Renders the toolkit's widgets to PNG files under the build folder, for review by eye.
class Snapshots : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(VELMORA_SNAPSHOT_DIR);
        Theme::setCurrent(Theme::dark);
        platform::qt::Appearance::shared()->setAccentColorOverride(QColor(0x0a, 0x84, 0xff));
    }
    void TearDown() override {
        sheet.reset();
        loop.runUntilIdle();
        Theme::setCurrent(Theme::dark);
        platform::qt::Appearance::shared()->setAccentColorOverride(std::nullopt);
    }

    QGridLayout* makeSheet(const QColor& background) {
        sheet = std::make_unique<QWidget>();
        sheet->setAutoFillBackground(true);
        QPalette palette = sheet->palette();
        palette.setColor(QPalette::Window, background);
        palette.setColor(QPalette::WindowText, background.lightness() < 128 ? Qt::white : Qt::black);
        sheet->setPalette(palette);
        auto* grid = new QGridLayout(sheet.get());
        grid->setSpacing(12);
        grid->setContentsMargins(12, 12, 12, 12);
        return grid;
    }

    void showSheet() {
        sheet->move(3000, 3000);
        // Its full size: a window shown without one is kept within part of the screen.
        sheet->resize(sheet->sizeHint());
        sheet->show();
        loop.runUntilIdle();
    }

    // Saves the sheet and checks that a fair share of it (or at least `minimum` pixels) differs from
    // its background.
    void save(const std::string& name, long minimum = 0) {
        QImage image = sheet->grab().toImage();
        auto path = QString::fromStdString(std::string(VELMORA_SNAPSHOT_DIR) + "/" + name + ".png");
        ASSERT_TRUE(image.save(path)) << path.toStdString();
        QImage saved(path);
        ASSERT_FALSE(saved.isNull());
        QColor background = saved.pixelColor(0, 0);
        long differing = 0;
        for (int y = 0; y < saved.height(); ++y)
            for (int x = 0; x < saved.width(); ++x)
                if (saved.pixelColor(x, y) != background) ++differing;
        if (minimum == 0) minimum = static_cast<long>(saved.width()) * saved.height() / 50;
        EXPECT_GT(differing, minimum) << name;
    }

    platform::qt::GuiTestLoop loop;
    std::unique_ptr<QWidget> sheet;
};

struct NamedStyle {
    const char* name;
    TamberButton::NewStyle style;
};

std::vector<NamedStyle> styles() {
    return {{"primary", TamberButton::NewStyle::primary()},
            {"secondary", TamberButton::NewStyle::secondary()},
            {"transparent", TamberButton::NewStyle::transparent()},
            {"accessory", TamberButton::NewStyle::accessory()},
            {"neutral", TamberButton::NewStyle::neutral()},
            {"black", TamberButton::NewStyle::black()},
            {"custom", TamberButton::NewStyle::customColor(Color::hex("#60ba46"))}};
}

TEST_F(Snapshots, ButtonsInEveryStyleAndShape) {
    for (auto theme : {Theme::dark, Theme::light}) {
        Theme::setCurrent(theme);
        auto* grid = makeSheet(theme == Theme::dark ? QColor(0x30, 0x30, 0x34) : QColor(0xd8, 0xd8, 0xd8));
        const std::vector<std::pair<const char*, TamberButton::ButtonShape>> shapes = {
            {"circle", TamberButton::ButtonShape::circle},
            {"rounded", TamberButton::ButtonShape::rounded},
            {"rectangle", TamberButton::ButtonShape::rectangle},
            {"sharpRectangle", TamberButton::ButtonShape::sharpRectangle}};
        for (std::size_t column = 0; column < shapes.size(); ++column)
            grid->addWidget(new QLabel(shapes[column].first), 0, static_cast<int>(column) + 1,
                            Qt::AlignCenter);
        int row = 1;
        for (const auto& [name, style] : styles()) {
            grid->addWidget(new QLabel(name), row, 0);
            for (std::size_t column = 0; column < shapes.size(); ++column) {
                TamberButton::Options options;
                options.shape = shapes[column].second;
                options.style = style;
                options.enabled = true;
                bool circle = shapes[column].second == TamberButton::ButtonShape::circle;
                if (circle) {
                    options.leftIcon = "gearshape";
                } else {
                    options.title = "Continue";
                    options.leftIcon = "house";
                    options.rightIcon = "chevron.down";
                }
                auto* button = new TamberButton(options);
                if (circle) button->setFixedSize(44, 44);
                grid->addWidget(button, row, static_cast<int>(column) + 1, Qt::AlignCenter);
            }
            ++row;
        }
        // The states: disabled, hovered, pressed, in progress, and the pink title of bordered settings.
        TamberButton::Options options;
        options.shape = TamberButton::ButtonShape::rounded;
        options.style = TamberButton::NewStyle::secondary();
        options.title = "State";
        options.enabled = false;
        grid->addWidget(new QLabel("states"), row, 0);
        grid->addWidget(new TamberButton(options), row, 1, Qt::AlignCenter);
        options.enabled = true;
        auto* hovered = new TamberButton(options);
        auto* pressed = new TamberButton(options);
        options.progressing = true;
        auto* progressing = new TamberButton(options);
        options.progressing = false;
        options.style = TamberButton::NewStyle::transparent();
        auto* bordered = new TamberButton(options);
        bordered->settings()->style(HelloButtonStyle::roundBordered);
        bordered->refresh();
        grid->addWidget(hovered, row, 2, Qt::AlignCenter);
        grid->addWidget(pressed, row, 3, Qt::AlignCenter);
        grid->addWidget(progressing, row, 4, Qt::AlignCenter);
        grid->addWidget(bordered, row + 1, 1, Qt::AlignCenter);
        showSheet();
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(hovered->touchable(), &enter);
        QTest::mousePress(pressed->touchable(), Qt::LeftButton);
        save(std::string("buttons-") + Theme(theme).name());
        QTest::mouseRelease(pressed->touchable(), Qt::LeftButton);
        loop.advance(0.1);
    }
}

TEST_F(Snapshots, SpinnerThroughItsCycle) {
    for (auto theme : {Theme::dark, Theme::light}) {
        Theme::setCurrent(theme);
        auto* grid = makeSheet(theme == Theme::dark ? QColor(0x17, 0x18, 0x18) : Qt::white);
        auto* spinner = new SpinnerComponent(4);
        spinner->setFixedSize(96, 96);
        grid->addWidget(spinner, 0, 0);
        showSheet();
        // Right after appearing (three short arcs), with arc 3 grown to the full circle, and with arcs 1
        // and 2 grown as well.
        double elapsed = 0;
        for (double moment : {0.0, 0.8, 1.49}) {
            loop.advance(moment - elapsed);
            elapsed = moment;
            save(std::string("spinner-") + Theme(theme).name() + "-" +
                     std::to_string(std::lround(moment * 1000)) + "ms",
                 40);
        }
        sheet.reset();
    }
}

TEST_F(Snapshots, CardsInBothThemes) {
    for (auto theme : {Theme::dark, Theme::light}) {
        Theme::setCurrent(theme);
        auto* grid = makeSheet(theme == Theme::dark ? Qt::black : Qt::white);
        auto* text = new QLabel("Content inside a nested card");
        auto* inner = new CardComponent(true, text, 12);
        auto* outer = new CardComponent(false, inner, 16);
        outer->setMinimumWidth(360);
        grid->addWidget(outer, 0, 0);
        auto* flush = new QLabel();
        flush->setFixedSize(200, 40);
        flush->setStyleSheet("background: #0093d9");
        grid->addWidget(new CardComponent(false, flush, 0), 1, 0);
        showSheet();
        save(std::string("cards-") + Theme(theme).name());
    }
}

}  // namespace
