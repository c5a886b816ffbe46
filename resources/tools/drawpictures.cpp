// drawpictures: writes the 60 gamepad pictures of the resource bundle (each base file and its "@2x"
// twin, drawn at double resolution), or a preview of the base picture with every highlight in place.
//
//   drawpictures --out DIR          write DIR/PadSetup-*.png and DIR/PadSetup-*@2x.png
//   drawpictures --preview FILE [--scale N]
//                                   write the base picture with all 31 highlights placed on it
//   drawpictures --icons DIR        write the application icon, DIR/stickwell-<size>.png at every size
//   drawpictures --icon-sheet FILE  write every icon size side by side on a light and a dark ground

#include "padpictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <cstdio>

static int usage()
{
    std::fprintf(stderr, "usage: drawpictures --out DIR | --preview FILE [--scale N] | --icons DIR | "
                         "--icon-sheet FILE\n");
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

// Every icon size in a row, once on the window's grey and once on a dark panel's colour.
static QImage iconSheet()
{
    int width = 8;
    for (int size : padIconSizes)
        width += size + 8;
    const int largest = padIconSizes[PAD_ICON_SIZES - 1];
    QImage sheet(width, 2 * (largest + 16), QImage::Format_ARGB32);
    sheet.fill(QColor(239, 239, 239));
    QPainter p(&sheet);
    p.fillRect(0, largest + 16, width, largest + 16, QColor(48, 50, 56));
    for (int band = 0; band < 2; ++band) {
        int x = 8;
        for (int size : padIconSizes) {
            p.drawImage(x, band * (largest + 16) + 8 + (largest - size) / 2, drawPadIcon(size));
            x += size + 8;
        }
    }
    p.end();
    return sheet;
}

static int writeIcons(const QString& outDir)
{
    const QDir dir(outDir);
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "drawpictures: cannot create %s\n", qPrintable(outDir));
        return 1;
    }
    for (int size : padIconSizes)
        if (!save(drawPadIcon(size), dir.filePath(padIconFileName(size))))
            return 1;
    std::printf("drawpictures: wrote %d icons to %s\n", int(PAD_ICON_SIZES), qPrintable(dir.absolutePath()));
    return 0;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString outDir, previewFile, iconDir, iconSheetFile;
    int scale = 1;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--out") && hasValue) {
            outDir = args.at(++i);
        } else if (arg == QLatin1String("--preview") && hasValue) {
            previewFile = args.at(++i);
        } else if (arg == QLatin1String("--icons") && hasValue) {
            iconDir = args.at(++i);
        } else if (arg == QLatin1String("--icon-sheet") && hasValue) {
            iconSheetFile = args.at(++i);
        } else if (arg == QLatin1String("--scale") && hasValue) {
            bool ok = false;
            scale = args.at(++i).toInt(&ok);
            if (!ok || scale < 1 || scale > 8)
                return usage();
        } else {
            return usage();
        }
    }
    int wanted = 0; // exactly one thing to write
    for (const QString* target : {&outDir, &previewFile, &iconDir, &iconSheetFile})
        wanted += !target->isEmpty();
    if (wanted != 1)
        return usage();

    if (!iconDir.isEmpty())
        return writeIcons(iconDir);
    if (!iconSheetFile.isEmpty())
        return save(iconSheet(), iconSheetFile) ? 0 : 1;

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
