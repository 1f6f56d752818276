// Writes the program's icon, the logo of the windows (ui/kit), into a hicolor icon theme tree:
//   vantor_icongen <folder> <name>
// makes <folder>/<n>x<n>/apps/<name>.png at the sizes desktops look for.
#include "ui/kit/icons.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vantor_icongen <folder> <name>\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = root.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!root.mkpath(folder) || !vantor::ui::logoImage(size).save(path, "PNG")) {
            std::fprintf(stderr, "vantor_icongen: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
