#include "ui/design/WDButtonStyle.h"

#include "ui/design/WD.h"

WDButtonStyle::WDButtonStyle(QObject *parent)
    : QObject(parent)
{
    recompute();
    connect(WD::instance(), &WD::paletteChanged, this, &WDButtonStyle::recompute);
}

template<typename T>
void WDButtonStyle::update(T &field, const T &value)
{
    if (field == value)
        return;
    field = value;
    recompute();
}

void WDButtonStyle::setKind(WDButtonKind::Kind kind)
{
    update(m_kind, kind);
}

void WDButtonStyle::setHovered(bool hovered)
{
    update(m_state.hovered, hovered);
}

void WDButtonStyle::setPressed(bool pressed)
{
    update(m_state.pressed, pressed);
}

void WDButtonStyle::setEnabled(bool enabled)
{
    update(m_state.enabled, enabled);
}

void WDButtonStyle::setCompact(bool compact)
{
    update(m_state.compact, compact);
}

void WDButtonStyle::setTint(const QColor &tint)
{
    update(m_state.tint, tint);
}

void WDButtonStyle::setBorderTint(const QColor &borderTint)
{
    update(m_state.borderTint, borderTint);
}

void WDButtonStyle::setFilled(bool filled)
{
    update(m_state.filled, filled);
}

void WDButtonStyle::setActive(bool active)
{
    update(m_state.active, active);
}

void WDButtonStyle::recompute()
{
    m_look = WDButtonLook::compute(m_kind, m_state, WD::palette());
    Q_EMIT lookChanged();
}
