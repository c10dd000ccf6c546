#include "support/EventLoopPasses.h"

#include <utility>

int EventLoopPasses::mark()
{
    if (!std::exchange(m_markerQueued, true)) {
        QMetaObject::invokeMethod(
            &m_markerContext,
            [this] {
                ++m_pass;
                m_markerQueued = false;
            },
            Qt::QueuedConnection);
    }
    return m_pass;
}
