#include "app/shell/MenuBarIconTint.h"

namespace MenuBarIconTints {

QList<MenuBarIconTint> all()
{
    return {MenuBarIconTint::Tracking, MenuBarIconTint::PausedOrIdle, MenuBarIconTint::MonoLight,
            MenuBarIconTint::MonoDark};
}

QString rawValue(MenuBarIconTint tint)
{
    switch (tint) {
    case MenuBarIconTint::Tracking:
        return QStringLiteral("green");
    case MenuBarIconTint::PausedOrIdle:
        return QStringLiteral("orange");
    case MenuBarIconTint::MonoLight:
        return QStringLiteral("white");
    case MenuBarIconTint::MonoDark:
        return QStringLiteral("black");
    }
    return {};
}

std::optional<MenuBarIconTint> fromRawValue(const QString &text)
{
    for (const MenuBarIconTint tint : all()) {
        if (rawValue(tint) == text)
            return tint;
    }
    return std::nullopt;
}

QColor color(MenuBarIconTint tint)
{
    // The system green and orange of the reference palette, as opaque sRGB.
    switch (tint) {
    case MenuBarIconTint::Tracking:
        return QColor(52, 199, 89);
    case MenuBarIconTint::PausedOrIdle:
        return QColor(255, 149, 0);
    case MenuBarIconTint::MonoLight:
        return QColor(Qt::white);
    case MenuBarIconTint::MonoDark:
        return QColor(Qt::black);
    }
    return QColor(Qt::black);
}

} // namespace MenuBarIconTints
