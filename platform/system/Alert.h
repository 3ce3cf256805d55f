#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace platform {

enum class AlertStyle { warning, informational, critical };

using ModalResponse = long;
constexpr ModalResponse alertFirstButtonReturn = 1000;
constexpr ModalResponse alertSecondButtonReturn = 1001;
constexpr ModalResponse alertThirdButtonReturn = 1002;
constexpr ModalResponse modalResponseAbort = -1001;

// A modal alert. Its texts are shown as plain text. The first button is the default one unless
// `defaultButton` names another; the button at index i answers alertFirstButtonReturn + i. An
// alert without buttons gets one "OK".
class Alert {
public:
    // Shows the alert and returns the chosen button's response.
    using Presenter = std::function<ModalResponse(const Alert&)>;

    std::string messageText;
    std::string informativeText;
    AlertStyle alertStyle = AlertStyle::warning;
    // The index of the button that Return chooses.
    std::size_t defaultButton = 0;

    // Returns the response that choosing this button gives.
    ModalResponse addButton(std::string title);
    const std::vector<std::string>& buttons() const { return buttons_; }

    // Runs the installed presenter: a message box in the program (main thread only), a responder
    // in tests. Without a presenter it is a programming error.
    ModalResponse runModal() const;

    // Installs the presenter for the whole process; returns the one it replaces.
    static Presenter setPresenter(Presenter presenter);

    // Answers every alert with `responder` while it lives (tests), restoring what was before.
    class ScopedResponder {
    public:
        explicit ScopedResponder(Presenter responder);
        ~ScopedResponder();
        ScopedResponder(const ScopedResponder&) = delete;
        ScopedResponder& operator=(const ScopedResponder&) = delete;

    private:
        Presenter previous_;
    };

private:
    std::vector<std::string> buttons_;
};

}  // namespace platform
