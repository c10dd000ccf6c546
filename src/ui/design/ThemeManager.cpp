#include "ui/design/ThemeManager.h"

#include "foundation/SettingsStore.h"
#include "ui/design/WD.h"

#include <QGuiApplication>
#include <QPalette>

#include <optional>

namespace {

QPalette darkSystemPalette()
{
    const WDPalette &dark = WDPalette::black();
    QPalette palette;
    palette.setColor(QPalette::Window, dark.surface);
    palette.setColor(QPalette::WindowText, dark.textStrong);
    palette.setColor(QPalette::Base, dark.appBackground);
    palette.setColor(QPalette::AlternateBase, dark.surfaceSoft);
    palette.setColor(QPalette::ToolTipBase, dark.surface);
    palette.setColor(QPalette::ToolTipText, dark.textStrong);
    palette.setColor(QPalette::PlaceholderText, dark.textMuted);
    palette.setColor(QPalette::Text, dark.textStrong);
    palette.setColor(QPalette::Button, dark.surface);
    palette.setColor(QPalette::ButtonText, dark.textStrong);
    palette.setColor(QPalette::BrightText, dark.danger);
    palette.setColor(QPalette::Light, dark.border);
    palette.setColor(QPalette::Midlight, dark.border);
    palette.setColor(QPalette::Mid, dark.surfaceSoft);
    palette.setColor(QPalette::Dark, dark.appBackground);
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, dark.brand600);
    palette.setColor(QPalette::HighlightedText, dark.textStrong);
    palette.setColor(QPalette::Link, dark.brand400);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, dark.textMuted);
    palette.setColor(QPalette::Disabled, QPalette::Text, dark.textMuted);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, dark.textMuted);
    return palette;
}

} // namespace

ThemeManager::ThemeManager(SettingsStore &defaults, QObject *parent)
    : ThemeManager(defaults, &ThemeManager::applyToApplication, parent)
{}

ThemeManager::ThemeManager(SettingsStore &defaults, AppearanceApplier applyAppearance,
                           QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_applyAppearance(std::move(applyAppearance))
{
    // An unknown stored id falls back to pink here but stays stored until the user picks again.
    const QString storedID =
        m_defaults.string(QLatin1String(settingsKey)).value_or(QStringLiteral("pink"));
    const WDPalette palette = WDPalette::byID(storedID);
    m_paletteID = palette.id;
    WD::setPalette(palette);
    if (m_applyAppearance)
        m_applyAppearance(appearanceFor(palette));
}

void ThemeManager::select(const WDPalette &palette)
{
    m_defaults.setString(QLatin1String(settingsKey), palette.id);
    WD::setPalette(palette);
    if (m_paletteID != palette.id) {
        m_paletteID = palette.id;
        Q_EMIT paletteIDChanged();
    }
    if (m_applyAppearance)
        m_applyAppearance(appearanceFor(palette));
}

void ThemeManager::applyToApplication(Appearance appearance)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    // Remembered before the first switch so that light means the platform's look, not ours.
    static const QPalette platformPalette = QGuiApplication::palette();
    QGuiApplication::setPalette(appearance == Appearance::Dark ? darkSystemPalette()
                                                               : platformPalette);
}

ThemeManager::Appearance ThemeManager::appearanceFor(const WDPalette &palette)
{
    return palette.isDark ? Appearance::Dark : Appearance::Light;
}
