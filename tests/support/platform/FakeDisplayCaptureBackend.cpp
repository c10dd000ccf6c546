#include "support/platform/FakeDisplayCaptureBackend.h"

#include <QColor>

FakeDisplayCaptureBackend::FakeDisplayCaptureBackend(std::shared_ptr<State> state)
    : m_state(std::move(state))
{}

std::unique_ptr<FakeDisplayCaptureBackend>
FakeDisplayCaptureBackend::create(std::shared_ptr<State> &stateOut)
{
    stateOut = std::make_shared<State>();
    return std::make_unique<FakeDisplayCaptureBackend>(stateOut);
}

DisplayList FakeDisplayCaptureBackend::listDisplays()
{
    std::lock_guard lock(m_state->mutex);
    ++m_state->listCount;
    DisplayList list;
    list.status = m_state->listStatus;
    if (list.status == DisplayCaptureStatus::Ok)
        list.displays = m_state->displays;
    return list;
}

DisplayFrame FakeDisplayCaptureBackend::captureDisplay(const DisplayInfo &display)
{
    std::lock_guard lock(m_state->mutex);
    ++m_state->captureCount;
    const int index = static_cast<int>(m_state->displays.indexOf(display));
    DisplayFrame frame;
    frame.status = m_state->captureStatusByIndex.value(index, DisplayCaptureStatus::Ok);
    if (frame.status == DisplayCaptureStatus::Ok) {
        frame.image = QImage(display.geometry.size(), QImage::Format_RGB32);
        // A different colour per display, so a test can tell the files apart.
        frame.image.fill(QColor::fromHsv((index * 90) % 360, 200, 200));
    }
    return frame;
}

bool FakeDisplayCaptureBackend::probeOnePixel()
{
    std::lock_guard lock(m_state->mutex);
    ++m_state->probeCount;
    return m_state->probeSucceeds;
}
