// Writes the program icon, as the window draws it, at the sizes a desktop's icon theme holds:
//   pv-write-icons FOLDER NAME SIZE...   ->   FOLDER/<SIZE>x<SIZE>/apps/NAME.png
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "app/ProgramIcon.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: pv-write-icons FOLDER NAME SIZE...\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");  // a build machine has no display
    QGuiApplication app(argc, argv);
    const QIcon icon = pv::programIcon();
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        const QString sizeFolder = folder + QString("/%1x%1/apps").arg(size);
        const QPixmap pixmap = icon.pixmap(QSize(size, size));
        const QString file = sizeFolder + '/' + name + ".png";
        if (size <= 0 || pixmap.size() != QSize(size, size) || !QDir().mkpath(sizeFolder) ||
            !pixmap.save(file, "PNG")) {
            std::fprintf(stderr, "pv-write-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
