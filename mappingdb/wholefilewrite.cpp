#include "wholefilewrite.h"

#include <QSaveFile>

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* errorMessage)
{
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    // A short write is not an error to Qt (a nearly full disk takes what fits and the call reports no
    // error); writing the rest makes the system say why, e.g. "No space left on device".
    qint64 written = 0;
    while (ok && written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        ok = n > 0;
        written += qMax<qint64>(n, 0);
    }
    // Flush by hand: Qt 5's commit() does not notice a failure of the final buffer flush (a full disk,
    // say) and would rename a short file over the good one.
    ok = ok && file.flush();
    if (!ok) {
        const QString why = file.errorString();
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
