// Build tool: renders the tray glyph (an SVG) to one PNG per size, so that the running tray
// draws its icon without loading the SVG module, which idle would otherwise keep mapped.
//   render_tray_glyph GLYPH.svg OUTPUT_DIR SIZE...   writes OUTPUT_DIR/glyph-SIZE.png
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    QSvgRenderer renderer(args.value(1));
    if (args.size() < 4 || !renderer.isValid()) {
        std::fprintf(stderr, "usage: render_tray_glyph GLYPH.svg OUTPUT_DIR SIZE...\n");
        return 2;
    }
    for (const QString& sizeText : args.mid(3)) {
        const int size = sizeText.toInt();
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        if (!image.save(QStringLiteral("%1/glyph-%2.png").arg(args[2], sizeText)))
            return 1;
    }
    return 0;
}
