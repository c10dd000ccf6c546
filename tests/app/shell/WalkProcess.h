#pragma once

#include <QByteArray>
#include <QString>

class StandInService;

namespace WalkProcess {

// Starts the stand-in service and points this process's application at it and at a keyring item
// named after the walk, of its own (the application reads both once per process). Empty when
// done, else what failed.
QString useStandIn(StandInService &standIn, const QByteArray &walkName);

} // namespace WalkProcess
