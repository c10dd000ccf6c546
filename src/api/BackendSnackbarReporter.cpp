#include "api/BackendSnackbarReporter.h"

#include "foundation/Log.h"

namespace BackendSnackbarReporter {

void show(const QString &title, const QString &detail, bool isError)
{
    const QString entry = title + QLatin1Char('\n') + detail;
    if (isError)
        zuvError(lcUpload).noquote() << entry;
    else
        zuvInfo(lcUpload).noquote() << entry;
}

} // namespace BackendSnackbarReporter
