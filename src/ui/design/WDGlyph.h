#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QString>
#include <QtQmlIntegration>

// A vector asset drawn as a template: only its shape counts, filled with one colour and scaled
// to fit the item's square while keeping its proportions.
class WDGlyph : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(bool valid READ isValid NOTIFY nameChanged)

public:
    explicit WDGlyph(QQuickItem *parent = nullptr);

    QString name() const { return m_name; }
    void setName(const QString &name);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    bool isValid() const;

    void paint(QPainter *painter) override;

    // The asset's shape in colour, size pixels large; a null image for an unknown asset.
    static QImage render(const QString &name, const QColor &color, const QSize &size);

Q_SIGNALS:
    void nameChanged();
    void colorChanged();

private:
    QString m_name;
    QColor m_color = Qt::black;
};
