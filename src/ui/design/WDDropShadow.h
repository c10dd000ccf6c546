#pragma once

#include <QColor>
#include <QImage>
#include <QQuickPaintedItem>
#include <QtQmlIntegration>

// The soft shadow of a rounded shape. The item covers the shape plus margin() on every side
// (the caller places it so, and moves it by the shadow's offset), because a painted item cannot
// draw beyond its own rectangle.
class WDDropShadow : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY shadowChanged)
    Q_PROPERTY(double blurRadius READ blurRadius WRITE setBlurRadius NOTIFY shadowChanged)
    Q_PROPERTY(double margin READ margin NOTIFY shadowChanged)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius NOTIFY shadowChanged)

public:
    explicit WDDropShadow(QQuickItem *parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    double blurRadius() const { return m_blurRadius; }
    void setBlurRadius(double radius);
    // How far the item reaches beyond the shape on each side; the caller sizes it so.
    double margin() const { return marginFor(m_blurRadius); }
    static double marginFor(double blurRadius);
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);

    void paint(QPainter *painter) override;

    // The shadow of a shape of shapeSize, blurred, on a canvas that adds marginFor(blurRadius)
    // on every side; scale is the device pixel ratio.
    static QImage render(const QSizeF &shapeSize, double cornerRadius, const QColor &color,
                         double blurRadius, double scale);

Q_SIGNALS:
    void shadowChanged();

private:
    void changed();

    QColor m_color = QColor(0, 0, 0, 13);
    double m_blurRadius = 10.0;
    double m_cornerRadius = 0.0;
};
