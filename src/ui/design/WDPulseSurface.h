#pragma once

#include <QBackingStore>
#include <QImage>
#include <QWindow>

// A small native window laid over the status dot inside its window, showing the dot at any
// opacity from two pictures of its patch of the window: without the dot and with it at full
// opacity. Since the dot is painted over what lies beneath, the patch at opacity o is exactly
// the one picture blended with the other at o. A step then repaints and sends these few pixels
// alone, not a pass of the whole window's scene graph. It takes no input and no focus; what
// lies beneath it receives the pointer.
class WDPulseSurface : public QWindow
{
    Q_OBJECT

public:
    // The pictures are in device pixels, the geometry in the parent's logical coordinates.
    WDPulseSurface(QWindow *parent, const QRect &geometry, const QImage &withoutDot,
                   const QImage &withDot);

    double shownOpacity() const { return m_opacity; }
    void showOpacity(double opacity);

protected:
    void exposeEvent(QExposeEvent *event) override;

private:
    void paint();

    QBackingStore m_store;
    const QImage m_withoutDot;
    const QImage m_withDot;
    double m_opacity = 1.0;
};
