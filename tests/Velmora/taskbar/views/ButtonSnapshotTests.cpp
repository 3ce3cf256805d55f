#include <gtest/gtest.h>

#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <memory>
#include <string>
#include <vector>

#include "tests/Velmora/taskbar/views/BarViewTesting.h"
#include "tests/support/SnapshotSheet.h"

using namespace bar_view_testing;
using Velmora::TaskbarButton;

namespace {

// One row per appearance: active, running with a badge, pinned and not running, several windows
// with a long badge, then the titled forms.
void renderSheet(platform::qt::ColorScheme scheme, const std::string& name) {
    FixedAppearance appearance(scheme);
    Desktop desktop;
    desktop.model("Music")->badge.accept("3");
    desktop.model("Mail")->badge.accept("123");
    desktop.model("Notes")->badge.accept("12");

    bool dark = scheme == platform::qt::ColorScheme::dark;
    QColor background = dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xec, 0xec, 0xec);
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    QPalette palette = sheet.palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, dark ? Qt::white : Qt::black);
    sheet.setPalette(palette);
    auto* grid = new QGridLayout(&sheet);
    grid->setSpacing(12);
    grid->setContentsMargins(12, 12, 12, 12);

    struct Entry {
        std::string title;
        bool showTitles;
    };
    std::vector<Entry> entries{{"Notes", false}, {"Music", false}, {"Photos", false}, {"Mail", false},
                               {"Notes", true},  {"Music", true},  {"Mail", true}};
    int column = 0;
    for (const auto& entry : entries) {
        // The frames the bar gives: 48 points, or up to 180 with titles.
        auto* holder = new QWidget(&sheet);
        holder->setFixedSize(entry.showTitles ? 180 : 48, 80);
        auto* layout = new QHBoxLayout(holder);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new TaskbarButton(desktop.bar, desktop.model(entry.title), entry.showTitles));
        grid->addWidget(holder, 0, column++);
    }
    sheet.move(3000, 3000);
    sheet.resize(sheet.sizeHint());
    sheet.show();
    desktop.loop.runUntilIdle();

    test_support::expectMatchesReference(sheet.grab().toImage(), name);
}

}  // namespace

TEST(ButtonSnapshots, TheButtonInItsStates) {
    renderSheet(platform::qt::ColorScheme::light, "taskbar-buttons-light");
    renderSheet(platform::qt::ColorScheme::dark, "taskbar-buttons-dark");
}
