#pragma once

#include "ui/design/WDButtonLook.h"

#include <QColor>
#include <QObject>
#include <QtQmlIntegration>

// Follows one button's state and the current palette and publishes the look to draw.
class WDButtonStyle : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(WDButtonKind::Kind kind READ kind WRITE setKind NOTIFY lookChanged)
    Q_PROPERTY(bool hovered READ hovered WRITE setHovered NOTIFY lookChanged)
    Q_PROPERTY(bool pressed READ pressed WRITE setPressed NOTIFY lookChanged)
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY lookChanged)
    Q_PROPERTY(bool compact READ compact WRITE setCompact NOTIFY lookChanged)
    Q_PROPERTY(QColor tint READ tint WRITE setTint NOTIFY lookChanged)
    Q_PROPERTY(QColor borderTint READ borderTint WRITE setBorderTint NOTIFY lookChanged)
    Q_PROPERTY(bool filled READ filled WRITE setFilled NOTIFY lookChanged)
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY lookChanged)
    Q_PROPERTY(WDButtonLook look READ look NOTIFY lookChanged)

public:
    explicit WDButtonStyle(QObject *parent = nullptr);

    WDButtonKind::Kind kind() const { return m_kind; }
    void setKind(WDButtonKind::Kind kind);
    bool hovered() const { return m_state.hovered; }
    void setHovered(bool hovered);
    bool pressed() const { return m_state.pressed; }
    void setPressed(bool pressed);
    bool enabled() const { return m_state.enabled; }
    void setEnabled(bool enabled);
    bool compact() const { return m_state.compact; }
    void setCompact(bool compact);
    QColor tint() const { return m_state.tint; }
    void setTint(const QColor &tint);
    QColor borderTint() const { return m_state.borderTint; }
    void setBorderTint(const QColor &borderTint);
    bool filled() const { return m_state.filled; }
    void setFilled(bool filled);
    bool active() const { return m_state.active; }
    void setActive(bool active);

    WDButtonLook look() const { return m_look; }

Q_SIGNALS:
    void lookChanged();

private:
    template<typename T>
    void update(T &field, const T &value);
    void recompute();

    WDButtonKind::Kind m_kind = WDButtonKind::Kind::Gradient;
    WDButtonLook::State m_state;
    WDButtonLook m_look;
};
