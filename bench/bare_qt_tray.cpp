// The floor footprint-bench.sh compares with: a bare Qt tray program (an icon and a
// ten-entry menu, nothing else), on the same toolkit build as Tarnwick.
#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::darkGray);
    QSystemTrayIcon icon{QIcon(pixmap)};
    QMenu menu;
    for (int i = 1; i <= 10; ++i)
        menu.addAction(QStringLiteral("Entry %1").arg(i));
    icon.setContextMenu(&menu);
    icon.show();
    return QApplication::exec();
}
