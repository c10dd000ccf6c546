#pragma once

#include <QString>

#include <optional>

// Informational alerts with one "OK" button, shown modally: the call returns once the user has
// answered. The application shell shows them as dialogs.
class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;

    // The informative text appears only when present and not empty.
    virtual void presentInformational(const QString &messageText,
                                      const std::optional<QString> &informativeText) = 0;
};
