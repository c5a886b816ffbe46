// drawpictures: writes the 48 gamepad pictures of the resource bundle (each base file and its "@2x"
// twin, drawn at double resolution), or a preview of the base picture with every highlight in place.
//
//   drawpictures --out DIR          write DIR/PadSetup-*.png and DIR/PadSetup-*@2x.png
//   drawpictures --preview FILE [--scale N]
//                                   write the base picture with all 25 highlights placed on it

#include "padpictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QStringList>
#include <cstdio>

static int usage()
{
    std::fprintf(stderr, "usage: drawpictures --out DIR | --preview FILE [--scale N]\n");
    return 2;
}

static bool save(const QImage& image, const QString& path)
{
    if (image.isNull() || !image.save(path, "PNG")) {
        std::fprintf(stderr, "drawpictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString outDir, previewFile;
    int scale = 1;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--out") && hasValue) {
            outDir = args.at(++i);
        } else if (arg == QLatin1String("--preview") && hasValue) {
            previewFile = args.at(++i);
        } else if (arg == QLatin1String("--scale") && hasValue) {
            bool ok = false;
            scale = args.at(++i).toInt(&ok);
            if (!ok || scale < 1 || scale > 8)
                return usage();
        } else {
            return usage();
        }
    }
    if (outDir.isEmpty() == previewFile.isEmpty())
        return usage();

    if (!previewFile.isEmpty())
        return save(drawPadPreview(scale), previewFile) ? 0 : 1;

    const QDir dir(outDir);
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "drawpictures: cannot create %s\n", qPrintable(outDir));
        return 1;
    }
    for (const PadPicture& picture : padPictures) {
        const QString name = QString::fromLatin1(picture.name);
        if (!save(drawPadPicture(name, 1), dir.filePath(name + QStringLiteral(".png"))) ||
            !save(drawPadPicture(name, 2), dir.filePath(name + QStringLiteral("@2x.png"))))
            return 1;
    }
    std::printf("drawpictures: wrote %d pictures to %s\n", 2 * PAD_PICTURES, qPrintable(dir.absolutePath()));
    return 0;
}
