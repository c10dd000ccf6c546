#pragma once

#include <QString>

#include <optional>

// Informational alerts with one "OK" button. The application shell shows them as dialogs.
class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;

    // Shown modally: the call returns once the user has answered. The informative text appears
    // only when present and not empty.
    virtual void presentInformational(const QString &messageText,
                                      const std::optional<QString> &informativeText) = 0;
    // Shown without holding anything up: the call returns at once and every window stays usable
    // (Stop above all). While a notice with the same message is open, it takes the new
    // informative text and comes forward instead of a second one stacking on it.
    virtual void presentNotice(const QString &messageText, const QString &informativeText) = 0;
};
