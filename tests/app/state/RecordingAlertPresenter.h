#pragma once

#include "app/state/AlertPresenter.h"

#include <QList>

// Remembers every alert instead of showing it; each counts as answered at once.
class RecordingAlertPresenter final : public AlertPresenter
{
public:
    struct Alert
    {
        QString messageText;
        std::optional<QString> informativeText;
        bool modal = true;
    };

    void presentInformational(const QString &messageText,
                              const std::optional<QString> &informativeText) override
    {
        m_alerts.append({messageText, informativeText});
    }

    void presentNotice(const QString &messageText, const QString &informativeText) override
    {
        m_alerts.append({messageText, informativeText, false});
    }

    const QList<Alert> &alerts() const { return m_alerts; }

private:
    QList<Alert> m_alerts;
};
