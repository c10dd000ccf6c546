#pragma once

#include <QObject>
#include <QPointF>
#include <QtQmlIntegration>

// The hit area of a rounded control: points in the cut-off corners do not count as inside.
// Given to an item as its containmentMask.
class WDShapeMask : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double width MEMBER m_width NOTIFY shapeChanged)
    Q_PROPERTY(double height MEMBER m_height NOTIFY shapeChanged)
    Q_PROPERTY(double radius MEMBER m_radius NOTIFY shapeChanged)

public:
    explicit WDShapeMask(QObject *parent = nullptr);

    Q_INVOKABLE bool contains(const QPointF &point) const;

    static bool roundedRectContains(double width, double height, double radius,
                                    const QPointF &point);

Q_SIGNALS:
    void shapeChanged();

private:
    double m_width = 0.0;
    double m_height = 0.0;
    double m_radius = 0.0;
};
