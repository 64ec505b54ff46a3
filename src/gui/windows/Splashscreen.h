#pragma once
#include <chrono>
#include <functional>

#include "widgets/SkinnedWindow.h"

// Round splash window without owner; it closes itself when it loses activation.
class TSplashscreen : public SkinnedWindow {
    Q_OBJECT
public:
    explicit TSplashscreen(QWidget* parent = nullptr);

    // Creates a splash window, shows and paints it, then keeps processing
    // events until `wait` has passed on a monotonic clock. The window is
    // returned (it deletes itself when closed); the default wait is 4000 ms.
    static TSplashscreen* showAndWait(std::chrono::milliseconds wait = std::chrono::milliseconds(4000));

    // How long showAndWait waits when called with the default; tests set 0.
    static void setDefaultWait(std::chrono::milliseconds wait);
    static std::chrono::milliseconds defaultWait();
    static TSplashscreen* showAndWaitDefault() { return showAndWait(defaultWait()); }

protected:
    void changeEvent(QEvent* event) override;
};
