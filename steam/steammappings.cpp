#include "steammappings.h"
#include "steamconfig.h"
#include "steamprocess.h"

#include "safereplace.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
QString describe(const QString& what, int err)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(err)));
}

// Replaces the configuration at path by bytes; returns false with errorMessage saying why.
bool writeSteamConfig(const QString& path, const QByteArray& bytes, QString* errorMessage)
{
    ReplacePolicy policy;
    policy.links = ReplacePolicy::FollowLink;
    policy.keepOwnerAndMode = true;
    policy.mayCreate = false; // Steam makes its configuration; a missing one is no installation
    policy.backupSuffix = QStringLiteral(".stickwell-backup");
    return replaceFile(path, bytes, policy, errorMessage);
}

QString runningMessage(const SteamInstallation& installation, qint64 pid)
{
    return QStringLiteral("%1 is running (process %2) and would overwrite the change when it exits. Close "
                          "Steam (Steam menu, Exit), then try again.")
        .arg(steamInstallationName(installation))
        .arg(pid);
}
} // namespace

bool readSteamConfigFile(const QString& path, QByteArray* bytes, QString* errorMessage)
{
    // Not blocking: a FIFO in the file's place must not hang the program; it is refused below.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *errorMessage = describe(QStringLiteral("Can't open %1").arg(path), errno);
        return false;
    }
    struct stat st;
    QString failure;
    if (::fstat(fd, &st) != 0)
        failure = describe(QStringLiteral("Can't examine %1").arg(path), errno);
    else if (!S_ISREG(st.st_mode))
        failure = QStringLiteral("Can't read %1: it is not a regular file").arg(path);
    else if (st.st_size > kMaxSteamConfigSize)
        failure = QStringLiteral("Won't read %1: it is larger than %2 MiB, far more than a Steam "
                                 "configuration holds")
                      .arg(path)
                      .arg(kMaxSteamConfigSize / (1024 * 1024));
    bytes->clear();
    char chunk[65536];
    while (failure.isEmpty()) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failure = describe(QStringLiteral("Can't read %1").arg(path), errno);
        else if (n == 0)
            break;
        else if (bytes->size() + n > kMaxSteamConfigSize)
            failure = QStringLiteral("Won't read %1: it grew beyond %2 MiB while it was read")
                          .arg(path)
                          .arg(kMaxSteamConfigSize / (1024 * 1024));
        else
            bytes->append(chunk, int(n));
    }
    ::close(fd);
    if (!failure.isEmpty())
        bytes->clear();
    *errorMessage = failure;
    return failure.isEmpty();
}

SteamMappings::SteamMappings(const QString& home, const QString& procRoot)
    : m_home(home), m_procRoot(procRoot)
{
}

QList<SteamInstallation> SteamMappings::installations() const
{
    return findSteamInstallations(m_home);
}

bool SteamMappings::steamRunning(SteamInstallation* installation, qint64* pid) const
{
    for (const SteamInstallation& candidate : installations()) {
        if (const qint64 id = runningSteamProcess(candidate, m_procRoot)) {
            if (installation)
                *installation = candidate;
            if (pid)
                *pid = id;
            return true;
        }
    }
    return false;
}

SteamOutcome SteamMappings::addMapping(const PadIdentity& pad, const QByteArray& line) const
{
    return edit(pad, &line);
}

SteamOutcome SteamMappings::removeMapping(const PadIdentity& pad) const
{
    return edit(pad, nullptr);
}

SteamOutcome SteamMappings::edit(const PadIdentity& pad, const QByteArray* line) const
{
    SteamOutcome outcome;
    const QList<SteamInstallation> found = installations();
    if (found.isEmpty()) {
        outcome.messages << QStringLiteral("No Steam installation was found: none of the usual places holds "
                                           "config/config.vdf");
        return outcome;
    }
    if (line) {
        const QString problem = SteamConfig::lineProblem(pad, *line);
        if (!problem.isEmpty()) {
            outcome.messages << problem + QStringLiteral(": nothing was written to Steam");
            return outcome;
        }
    }
    SteamInstallation running;
    qint64 pid = 0;
    if (steamRunning(&running, &pid)) {
        outcome.steamRunning = true;
        outcome.messages << runningMessage(running, pid) + QStringLiteral(" Nothing was changed.");
        return outcome;
    }

    outcome.ok = true;
    for (const SteamInstallation& installation : found) {
        QString failure;
        QByteArray bytes, edited;
        if (readSteamConfigFile(installation.configFile, &bytes, &failure)) {
            const SteamConfig config(bytes);
            failure = config.errorString();
            if (config.isValid())
                edited = line ? config.withPadLine(pad, *line) : config.withoutPad(pad);
        }
        const QString name = steamInstallationName(installation);
        if (failure.isEmpty() && edited == bytes) {
            outcome.messages << (line ? QStringLiteral("%1: %2 holds this mapping already")
                                      : QStringLiteral("%1: %2 holds no mapping for this gamepad"))
                                    .arg(name, installation.configFile);
            continue;
        }
        if (failure.isEmpty()) {
            // Steam may have been started since the check above.
            if (const qint64 id = runningSteamProcess(installation, m_procRoot)) {
                outcome.steamRunning = true;
                failure = runningMessage(installation, id);
            } else {
                writeSteamConfig(installation.configFile, edited, &failure);
            }
        }
        if (failure.isEmpty()) {
            outcome.messages << (line ? QStringLiteral("%1: the mapping is now in %2")
                                      : QStringLiteral("%1: the gamepad's mapping was taken out of %2"))
                                    .arg(name, installation.configFile);
        } else {
            outcome.ok = false;
            outcome.messages
                << QStringLiteral("%1: %2 was left as it is. %3").arg(name, installation.configFile, failure);
        }
    }
    return outcome;
}

QList<SteamHeldLines> SteamMappings::heldLines() const
{
    QList<SteamHeldLines> held;
    for (const SteamInstallation& installation : installations()) {
        SteamHeldLines entry;
        entry.installation = installation;
        QByteArray bytes;
        if (readSteamConfigFile(installation.configFile, &bytes, &entry.error)) {
            const SteamConfig config(bytes);
            entry.lines = config.gamepadBindLines();
            entry.error = config.errorString();
        }
        held.append(entry);
    }
    return held;
}
