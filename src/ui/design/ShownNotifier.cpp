#include "ui/design/ShownNotifier.h"

#include <utility>

ShownNotifier::ShownNotifier(std::function<void()> notify)
    : m_notify(std::move(notify))
{}

bool ShownNotifier::setShown(bool shown)
{
    if (m_shown == shown)
        return false;
    m_shown = shown;
    if (m_shown && std::exchange(m_held, false))
        m_notify();
    return true;
}

void ShownNotifier::changed()
{
    if (m_shown)
        m_notify();
    else
        m_held = true;
}
