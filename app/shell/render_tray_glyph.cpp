// Build tool: renders the tray glyph (an SVG) to its coverage, one byte of alpha per pixel,
// row by row, per size. The running tray then draws its icon without the SVG module and
// without an image decoder, which idle would otherwise keep mapped.
//   render_tray_glyph GLYPH.svg OUTPUT_DIR SIZE...   writes OUTPUT_DIR/glyph-SIZE.a8
#include <QFile>
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
        QFile out(QStringLiteral("%1/glyph-%2.a8").arg(args[2], sizeText));
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        for (int y = 0; y < size; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < size; ++x)
                out.putChar(char(qAlpha(line[x])));
        }
        if (!out.flush())
            return 1;
    }
    return 0;
}
