#include "steamprocess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

namespace
{
// At most limit bytes of a small file; empty when it cannot be read.
QByteArray readSmall(const QString& path, qint64 limit = 4096)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(limit);
}

bool isSteam(const QString& processDir)
{
    const QByteArray command = readSmall(processDir + QStringLiteral("/comm")).trimmed();
    if (command == "steam" || command == "steam.sh")
        return true;
    return QFileInfo(QFile::symLinkTarget(processDir + QStringLiteral("/exe"))).fileName() ==
           QLatin1String("steam");
}

// The process whose id in its innermost PID namespace is id (the last number of its status's NSpid
// line), among those that are Steam; 0 when none is.
qint64 steamWithInnerId(const QString& procRoot, qint64 id)
{
    const QByteArray wanted = QByteArray::number(id);
    const QStringList entries = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid <= 0)
            continue;
        const QString dir = procRoot + '/' + entry;
        for (const QByteArray& line : readSmall(dir + QStringLiteral("/status"), 65536).split('\n')) {
            if (!line.startsWith("NSpid:"))
                continue;
            const QList<QByteArray> ids = line.mid(6).simplified().split(' ');
            if (ids.last() == wanted && isSteam(dir))
                return pid;
            break;
        }
    }
    return 0;
}
} // namespace

qint64 runningSteamProcess(const SteamInstallation& installation, const QString& procRoot)
{
    // Only a plain file: opening a FIFO would wait for a writer.
    bool ok = QFileInfo(installation.pidFile).isFile();
    const qint64 id = ok ? readSmall(installation.pidFile, 64).trimmed().toLongLong(&ok) : 0;
    if (!ok || id <= 0)
        return 0;
    const QString dir = procRoot + '/' + QString::number(id);
    if (QFileInfo::exists(dir) && isSteam(dir))
        return id;
    return installation.sandboxedPid ? steamWithInnerId(procRoot, id) : 0;
}
