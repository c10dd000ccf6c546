#pragma once

#include <QByteArray>

#include <optional>

// How often the thread of this process with that name (as the kernel keeps it, at most 15
// characters) has gone to sleep: its voluntary context switches. None when no thread has the
// name.
std::optional<qint64> timesThreadSlept(const QByteArray &name);
