#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <cmath>
#include <string>
#include <vector>

#include "Brindle/widgets/TouchableComponent.h"
#include "platform/qt/Appearance.h"
#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"
#include "ui-toolkit/ui/widgets/CardComponent.h"
#include "ui-toolkit/ui/widgets/SpinnerComponent.h"
#include "ui-toolkit/ui/widgets/TamberButton.h"

using namespace brindle_ui;

namespace {

// Renders the toolkit's widgets to PNG files under the build folder, for review by eye, in both
// themes.
class Snapshots : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        platform::qt::Appearance::shared()->setAccentColorOverride(QColor(0x0a, 0x84, 0xff));
    }
    void TearDown() override {
        WidgetTest::TearDown();
        platform::qt::Appearance::shared()->setAccentColorOverride(std::nullopt);
    }

    // A sheet in `theme`, on the dark or light background given.
    QGridLayout* makeSheet(Theme theme, const QColor& dark, const QColor& light) {
        Theme::setCurrent(theme);
        const QColor background = theme == Theme::dark ? dark : light;
        sheet = new QWidget();
        sheet->setAutoFillBackground(true);
        QPalette palette = sheet->palette();
        palette.setColor(QPalette::Window, background);
        palette.setColor(QPalette::WindowText, background.lightness() < 128 ? Qt::white : Qt::black);
        sheet->setPalette(palette);
        auto* grid = new QGridLayout(sheet);
        grid->setSpacing(12);
        grid->setContentsMargins(12, 12, 12, 12);
        return grid;
    }
    // At its full size: a window shown without one is kept within part of the screen.
    void showSheet() { show(sheet, sheet->sizeHint()); }

    // Saves the sheet and checks that a fair share of it (or at least `minimum` pixels) differs from
    // its background.
    void save(const std::string& name, long minimum = 0) {
        const QImage image = sheet->grab().toImage();
        QDir().mkpath(VELMORA_SNAPSHOT_DIR);
        const auto path = std::string(VELMORA_SNAPSHOT_DIR) + "/" + name + ".png";
        ASSERT_TRUE(image.save(QString::fromStdString(path))) << path;
        const QColor background = image.pixelColor(0, 0);
        long differing = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) differing += image.pixelColor(x, y) != background;
        if (minimum == 0) minimum = static_cast<long>(image.width()) * image.height() / 50;
        EXPECT_GT(differing, minimum) << name;
    }

    QWidget* sheet = nullptr;
};

TEST_F(Snapshots, ButtonsInEveryStyleAndShape) {
    using Shape = TamberButton::ButtonShape;
    using Style = TamberButton::NewStyle;
    const std::vector<std::pair<const char*, Style>> styles{
        {"primary", Style::primary()},
        {"secondary", Style::secondary()},
        {"transparent", Style::transparent()},
        {"accessory", Style::accessory()},
        {"neutral", Style::neutral()},
        {"black", Style::black()},
        {"custom", Style::customColor(Color::hex("#60ba46"))}};
    const std::vector<std::pair<const char*, Shape>> shapes{{"circle", Shape::circle},
                                                            {"rounded", Shape::rounded},
                                                            {"rectangle", Shape::rectangle},
                                                            {"sharpRectangle", Shape::sharpRectangle}};
    for (auto theme : {Theme::dark, Theme::light}) {
        auto* grid = makeSheet(theme, QColor(0x30, 0x30, 0x34), QColor(0xd8, 0xd8, 0xd8));
        for (int column = 0; column < int(shapes.size()); ++column)
            grid->addWidget(new QLabel(shapes[column].first), 0, column + 1, Qt::AlignCenter);
        for (int row = 0; row < int(styles.size()); ++row) {
            grid->addWidget(new QLabel(styles[row].first), row + 1, 0);
            for (int column = 0; column < int(shapes.size()); ++column) {
                TamberButton::Options options;
                options.shape = shapes[column].second;
                options.style = styles[row].second;
                options.enabled = true;
                options.leftIcon = options.shape == Shape::circle ? "gearshape" : "house";
                if (options.shape != Shape::circle) {
                    options.title = "Continue";
                    options.rightIcon = "chevron.down";
                }
                auto* button = new TamberButton(options);
                if (options.shape == Shape::circle) button->setFixedSize(44, 44);
                grid->addWidget(button, row + 1, column + 1, Qt::AlignCenter);
            }
        }
        // The states: disabled, hovered, pressed, in progress, and the pink title of bordered settings.
        const int row = int(styles.size()) + 1;
        TamberButton::Options options;
        options.shape = Shape::rounded;
        options.style = Style::secondary();
        options.title = "State";
        std::vector<TamberButton*> states;
        for (int state = 0; state < 5; ++state) {
            options.enabled = state != 0;
            options.progressing = state == 3;
            if (state == 4) options.style = Style::transparent();
            states.push_back(new TamberButton(options));
            grid->addWidget(states.back(), state == 4 ? row + 1 : row, state == 4 ? 1 : state + 1,
                            Qt::AlignCenter);
        }
        grid->addWidget(new QLabel("states"), row, 0);
        states[4]->settings()->style(HelloButtonStyle::roundBordered);
        states[4]->refresh();
        showSheet();
        hover(states[1]->touchable());
        QTest::mousePress(states[2]->touchable(), Qt::LeftButton);
        save(std::string("buttons-") + Theme(theme).name());
        QTest::mouseRelease(states[2]->touchable(), Qt::LeftButton);
        loop.advance(0.1);
    }
}

TEST_F(Snapshots, SpinnerThroughItsCycleAndCards) {
    for (auto theme : {Theme::dark, Theme::light}) {
        auto* spinner = new SpinnerComponent(4);
        spinner->setFixedSize(96, 96);
        makeSheet(theme, QColor(0x17, 0x18, 0x18), Qt::white)->addWidget(spinner, 0, 0);
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

        auto* grid = makeSheet(theme, Qt::black, Qt::white);
        auto* outer = new CardComponent(
            false, new CardComponent(true, new QLabel("Content inside a nested card"), 12), 16);
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
