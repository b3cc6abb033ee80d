// dravmoor-export-icon: writes the program icon as DIR/SIZExSIZE.png for each SIZE given,
// for the hicolor icon theme. Runs at build time on the offscreen platform.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "res/program_icon.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: dravmoor-export-icon DIR SIZE...\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        const QString file = dir.filePath(QStringLiteral("%1x%1.png").arg(size));
        if (size <= 0 || !res::DrawProgramIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "dravmoor-export-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
