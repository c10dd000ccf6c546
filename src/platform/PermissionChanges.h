#pragma once

#include <QObject>

// Tells the screens that what a permission check answers may have changed on its own: the
// desktop's answer to a grant arrived, or what the session can offer became known. Any thread may
// announce; receivers on the GUI thread hear it through their event loop.
class PermissionChanges : public QObject
{
    Q_OBJECT

public:
    static PermissionChanges &instance();

    void announce();

Q_SIGNALS:
    void changed();

private:
    PermissionChanges() = default;
};
