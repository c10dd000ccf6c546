#include "platform/PermissionChanges.h"

PermissionChanges &PermissionChanges::instance()
{
    static PermissionChanges changes;
    return changes;
}

void PermissionChanges::announce()
{
    Q_EMIT changed();
}
