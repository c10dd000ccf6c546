#include "support/platform/FakePermissionProbe.h"

bool FakePermissionProbe::canListenToInput()
{
    ++inputChecks;
    return inputAllowed;
}

bool FakePermissionProbe::canCaptureScreen()
{
    ++screenChecks;
    return screenAllowed;
}
