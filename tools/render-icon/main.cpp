// kestrelle-render-icon: renders an SVG icon to a square PNG, for the fixed-size icons that desktop
// menus and the package want next to the scalable one. The build runs it; it is not shipped.
//
//   kestrelle-render-icon SVG PNG SIZE

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[]) {
    const int size = argc == 4 ? QByteArray(argv[3]).toInt() : 0;
    if (size <= 0) {
        std::fprintf(stderr, "usage: kestrelle-render-icon SVG PNG SIZE\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "kestrelle-render-icon: cannot read %s\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "kestrelle-render-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
