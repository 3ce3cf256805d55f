#pragma once

#include <memory>

#include "Brindle/Object.h"
#include "Velmora/taskbar/MainMenuWindow.h"
#include "Velmora/taskbar/views/TransparentWindow.h"

namespace Velmora {

class MainMenuView;

// The main menu of one bar in a transparent window at the main-menu level, as the bar's model
// drives it. Made by the factory `installFactory` registers; the model reuses it for every
// opening. Main thread only.
class MainMenuTransparentWindow : public Brindle::Object, public MainMenuWindow {
public:
    // Use `Brindle::make`.
    explicit MainMenuTransparentWindow(const Content& content);

    // Makes the bars' models build their menus with this class.
    static void installFactory();

    void setCloseOnResignKey(bool value) override;
    void setup(const platform::Screen& display, OnClose onClose) override;
    void setFrame(const platform::Rect& frame, bool display) override;
    void makeKeyAndOrderFront() override;
    void close() override;

    const std::shared_ptr<TransparentWindow>& window() const { return window_; }
    MainMenuView* view() const { return view_; }

private:
    MainMenuView* view_;
    std::shared_ptr<TransparentWindow> window_;
};

}  // namespace Velmora
