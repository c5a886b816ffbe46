#include "wholefilewrite.h"

#include <QSaveFile>

bool writeToDevice(QIODevice* device, const QByteArray& bytes, QString* why)
{
    qint64 written = 0;
    bool ok = true;
    while (ok && written < bytes.size()) {
        const qint64 n = device->write(bytes.constData() + written, bytes.size() - written);
        ok = n > 0;
        written += qMax<qint64>(n, 0);
    }
    // Flush by hand: Qt 5's QSaveFile::commit() does not notice a failure of the final buffer flush (a
    // full disk, say) and would rename a short file over the good one.
    if (ok) {
        if (auto* file = qobject_cast<QFileDevice*>(device))
            ok = file->flush();
    }
    if (why)
        *why = ok ? QString() : device->errorString();
    return ok;
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* errorMessage)
{
    QSaveFile file(path);
    QString why;
    if (!file.open(QIODevice::WriteOnly) || !writeToDevice(&file, bytes, &why)) {
        if (why.isEmpty())
            why = file.errorString();
        file.cancelWriting();
        if (errorMessage)
            *errorMessage = QStringLiteral("Cannot write %1: %2").arg(path, why);
        return false;
    }
    if (!file.commit()) {
        if (errorMessage)
            *errorMessage = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    if (errorMessage)
        errorMessage->clear();
    return true;
}
