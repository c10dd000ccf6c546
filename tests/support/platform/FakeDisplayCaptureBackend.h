#pragma once

#include "platform/DisplayCaptureBackend.h"

#include <QHash>

#include <memory>
#include <mutex>

// Displays the test defines, each captured as a solid image of its size. Shared state, so a test
// keeps a handle after handing the backend to its owner (see create()).
class FakeDisplayCaptureBackend final : public DisplayCaptureBackend
{
public:
    struct State
    {
        std::mutex mutex;
        DisplayCaptureStatus listStatus = DisplayCaptureStatus::Ok;
        QList<DisplayInfo> displays;
        QHash<int, DisplayCaptureStatus> captureStatusByIndex; // default Ok
        bool probeSucceeds = true;
        int listCount = 0;
        int captureCount = 0;
        int probeCount = 0;
    };

    explicit FakeDisplayCaptureBackend(std::shared_ptr<State> state);
    static std::unique_ptr<FakeDisplayCaptureBackend> create(std::shared_ptr<State> &stateOut);

    DisplayList listDisplays() override;
    DisplayFrame captureDisplay(const DisplayInfo &display) override;
    bool probeOnePixel() override;

private:
    std::shared_ptr<State> m_state;
};
