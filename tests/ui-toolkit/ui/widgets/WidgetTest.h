#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>

#include "platform/qt/testing/GuiTestLoop.h"
#include "ui-toolkit/ui/Theme.h"

// A shown window in virtual time for each test; the toolkit's theme back at its start values.
class WidgetTest : public ::testing::Test {
protected:
    void SetUp() override { resetTheme(); }
    void TearDown() override {
        window.reset();
        loop.runUntilIdle();
        resetTheme();
    }
    static void resetTheme() {
        brindle_ui::Theme::setCurrent(brindle_ui::Theme::dark);
        brindle_ui::Theme::setBackgroundVariant(0);
    }
    // Puts `widget` alone in a window of the given size and shows it.
    template <class W>
    W* show(W* widget, QSize size = QSize(300, 200)) {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(widget);
        window->resize(size);
        // Far from the pointer's last position, so no hover starts by itself.
        window->move(2000, 2000);
        window->show();
        loop.runUntilIdle();
        return widget;
    }
    static void hover(QWidget* widget) {
        QEnterEvent enter(QPointF(1, 1), widget->mapTo(widget->window(), QPointF(1, 1)),
                          widget->mapToGlobal(QPointF(1, 1)));
        QCoreApplication::sendEvent(widget, &enter);
    }
    static void leave(QWidget* widget) {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &event);
    }
    platform::qt::GuiTestLoop loop;
    std::unique_ptr<QWidget> window;
};
