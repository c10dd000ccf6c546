#pragma once

#include <functional>

// Holds back a screen's frequent notices (the clock's each second) while no window shows the
// screen: a hidden window would otherwise run its bindings and lay out its texts for nobody.
// Shown again, a held-back notice goes out at once, so the screen has current values before it
// is next painted.
class ShownNotifier
{
public:
    explicit ShownNotifier(std::function<void()> notify);

    bool isShown() const { return m_shown; }
    // True when it changed.
    bool setShown(bool shown);
    // The notice: now while shown, else once shown again.
    void changed();

private:
    std::function<void()> m_notify;
    bool m_shown = true;
    bool m_held = false;
};
