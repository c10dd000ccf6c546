#pragma once

#include <QString>

// The outcome report of one API call: written to the log, shown nowhere.
namespace BackendSnackbarReporter {

// One entry in the "upload" category, title and detail on separate lines; error level when
// isError is set, else info.
void show(const QString &title, const QString &detail, bool isError);

} // namespace BackendSnackbarReporter
