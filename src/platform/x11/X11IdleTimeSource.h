#pragma once

#include "platform/IdleTimeSource.h"

#include <memory>
#include <mutex>

class X11Connection;

// The X server's own idle time (MIT-SCREEN-SAVER), over a connection of its own opened on first
// use and opened again after it broke.
class X11IdleTimeSource final : public IdleTimeSource
{
public:
    X11IdleTimeSource();
    ~X11IdleTimeSource() override;

    std::optional<double> secondsSinceLastInput() override;

private:
    std::mutex m_mutex;
    std::unique_ptr<X11Connection> m_connection;
    bool m_reportedUnavailable = false;
};
