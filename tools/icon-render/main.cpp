// zuv-render-icon SVG SIZE PNG: the SVG drawn into a square PNG of SIZE pixels, transparent
// around it.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // No display is needed to draw into an image.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    QTextStream errors(stderr);
    bool validSize = false;
    const int size = arguments.size() == 4 ? arguments.at(2).toInt(&validSize) : 0;
    if (!validSize || size <= 0) {
        errors << "usage: zuv-render-icon SVG SIZE PNG\n";
        return 2;
    }
    QSvgRenderer renderer(arguments.at(1));
    if (!renderer.isValid()) {
        errors << "not a usable SVG: " << arguments.at(1) << '\n';
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!image.save(arguments.at(3), "PNG")) {
        errors << "cannot write " << arguments.at(3) << '\n';
        return 1;
    }
    return 0;
}
