#pragma once

#include "platform/PermissionProbe.h"

#include <atomic>

// Answers the permission checks as the test sets them.
class FakePermissionProbe final : public PermissionProbe
{
public:
    bool canListenToInput() override;
    bool canCaptureScreen() override;

    std::atomic<bool> inputAllowed{true};
    std::atomic<bool> screenAllowed{true};
    std::atomic<int> inputChecks{0};
    std::atomic<int> screenChecks{0};
};
