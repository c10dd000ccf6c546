#pragma once

#include "ui/design/WDPalette.h"

#include <QObject>
#include <QString>
#include <QtQmlIntegration>

#include <functional>

class SettingsStore;

// Keeps the user's palette choice: restores it at start-up, makes it the current palette of
// the design system, switches the application between its light and dark appearance to match
// and saves every new choice.
class ThemeManager : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application owns the theme manager")
    Q_PROPERTY(QString paletteID READ paletteID NOTIFY paletteIDChanged)

public:
    enum class Appearance
    {
        Light,
        Dark
    };
    Q_ENUM(Appearance)

    using AppearanceApplier = std::function<void(Appearance)>;

    static constexpr const char *settingsKey = "selectedColorPalette";

    // Applies the saved palette at once. The applier defaults to the application's palette of
    // system controls (menus, dialogs, scroll bars).
    explicit ThemeManager(SettingsStore &defaults, QObject *parent = nullptr);
    ThemeManager(SettingsStore &defaults, AppearanceApplier applyAppearance,
                 QObject *parent = nullptr);

    QString paletteID() const { return m_paletteID; }

    Q_INVOKABLE void select(const WDPalette &palette);

    // Dark system controls for a dark palette, the platform's own look otherwise.
    static void applyToApplication(Appearance appearance);

Q_SIGNALS:
    void paletteIDChanged();

private:
    static Appearance appearanceFor(const WDPalette &palette);

    SettingsStore &m_defaults;
    AppearanceApplier m_applyAppearance;
    QString m_paletteID;
};
