#include "apppictures.h"

#include <QCoreApplication>
#include <QFile>

namespace
{
const int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
} // namespace

void prepareHighDensityScreens()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 always scales and always uses the "@2x" pictures; Qt 5 needs both asked for.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#endif
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : kIconSizes) {
        const QString path = QStringLiteral(":/icons/stickwell-%1.png").arg(size);
        // QIcon::addFile takes a missing file without complaint; an icon of nothing is no icon
        if (QFile::exists(path))
            icon.addFile(path, QSize(size, size));
    }
    return icon;
}

QPixmap loadPicture(const QString& path, qreal devicePixelRatio)
{
    if (devicePixelRatio > 1.0) {
        QString twin = path;
        const QString suffix = QStringLiteral(".png");
        if (twin.endsWith(suffix))
            twin.insert(twin.size() - suffix.size(), QStringLiteral("@2x"));
        else
            twin += QStringLiteral("@2x");
        QPixmap pixmap(twin);
        if (!pixmap.isNull()) {
            pixmap.setDevicePixelRatio(2.0);
            return pixmap;
        }
    }
    return QPixmap(path);
}
