#include "safereplace.h"
#include "safereplace_p.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ReplaceFault replaceFault = nullptr;

namespace
{

int injectedError(ReplaceStep step)
{
    return replaceFault ? replaceFault(step) : 0;
}

// Runs one step that is a single system call returning 0 on success; returns 0 or the errno value.
template <typename Call> int runStep(ReplaceStep step, Call call)
{
    if (const int err = injectedError(step))
        return err;
    return call() == 0 ? 0 : errno;
}

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// What went wrong: the whole message and its bare reason.
struct Failure {
    QString message;
    QString reason;

    bool set(const QString& what, const QString& why)
    {
        message = QStringLiteral("%1: %2").arg(what, why);
        reason = why;
        return false;
    }
    bool setErrno(const QString& what, int err) { return set(what, errnoText(err)); }
};

// What the new file gets: its mode, and the owner and group to give it (-1: the writer's own).
struct Attributes {
    mode_t mode;
    uid_t uid;
    gid_t gid;
};

// The file to rewrite: path itself or, through a link the policy follows, the file it leads to.
// exists tells whether there is one (false: it is to be created).
bool findTarget(const QByteArray& path, const ReplacePolicy& policy, QByteArray* target, struct stat* st,
                bool* exists, Failure* failure)
{
    const QString file = QFile::decodeName(path);
    *target = path;
    *exists = false;
    if (::lstat(path.constData(), st) != 0) {
        const int err = errno;
        if (err == ENOENT && policy.mayCreate)
            return true;
        return failure->setErrno(QStringLiteral("Can't replace %1").arg(file), err);
    }
    if (S_ISLNK(st->st_mode)) {
        if (policy.links == ReplacePolicy::RefuseLink)
            return failure->set(QStringLiteral("Won't replace %1").arg(file),
                                QStringLiteral("it is a symbolic link"));
        char* resolved = ::realpath(path.constData(), nullptr);
        if (!resolved)
            return failure->setErrno(QStringLiteral("Can't follow the symbolic link %1").arg(file), errno);
        *target = resolved;
        std::free(resolved);
        if (::stat(target->constData(), st) != 0)
            return failure->setErrno(QStringLiteral("Can't examine %1").arg(QFile::decodeName(*target)),
                                     errno);
    }
    if (S_ISDIR(st->st_mode))
        return failure->setErrno(QStringLiteral("Can't replace %1").arg(file), EISDIR);
    if (!S_ISREG(st->st_mode))
        return failure->set(QStringLiteral("Can't replace %1").arg(file),
                            QStringLiteral("not a regular file"));
    *exists = true;
    return true;
}

// Writes bytes into the fresh temporary file out and gives it its attributes, flushed to disk.
bool fillTemporary(int out, const QString& temp, const QString& file, const QByteArray& bytes,
                   const Attributes& attributes, const ReplacePolicy& policy, Failure* failure)
{
    if (const int err = injectedError(ReplaceStep::Write))
        return failure->setErrno(QStringLiteral("Can't write the temporary file %1").arg(temp), err);
    QFile device;
    QString why;
    if (!device.open(out, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle) ||
        !writeToDevice(&device, bytes, &why))
        return failure->set(QStringLiteral("Can't write the temporary file %1").arg(temp),
                            why.isEmpty() ? device.errorString() : why);

    // Owner first: a change of owner may clear set-id bits that the mode then restores. An owner that
    // is already right is left alone, so an unprivileged user can replace a file of their own.
    struct stat created;
    if (::fstat(out, &created) != 0)
        return failure->setErrno(QStringLiteral("Can't examine the temporary file %1").arg(temp), errno);
    const int ownerErr = runStep(ReplaceStep::Owner, [&] {
        if (attributes.uid == uid_t(-1) ||
            (created.st_uid == attributes.uid && created.st_gid == attributes.gid))
            return 0;
        return ::fchown(out, attributes.uid, attributes.gid);
    });
    if (ownerErr && !(ownerErr == EPERM && policy.ownerMayChange))
        return failure->setErrno(QStringLiteral("Can't give %1 the owner and group of %2").arg(temp, file),
                                 ownerErr);
    if (const int err = runStep(ReplaceStep::Mode, [&] { return ::fchmod(out, attributes.mode); }))
        return failure->setErrno(QStringLiteral("Can't give %1 the permissions of %2").arg(temp, file), err);
    if (const int err = runStep(ReplaceStep::Sync, [&] { return ::fsync(out); }))
        return failure->setErrno(QStringLiteral("Can't flush the temporary file %1 to disk").arg(temp), err);
    return true;
}

// Makes a complete temporary file beside target holding bytes; *tempPath is its name. On failure
// nothing of it is left.
bool writeTemporary(const QByteArray& target, const QByteArray& bytes, const Attributes& attributes,
                    const ReplacePolicy& policy, QByteArray* tempPath, Failure* failure)
{
    // A fresh name each time, created exclusively: nothing that already lies beside the file, neither a
    // leftover of a killed run nor a file or link planted by someone else, is followed, overwritten or
    // removed, and no leftover can block later writes.
    QByteArray temp = target + QFile::encodeName(policy.temporarySuffix) + "XXXXXX";
    int out = -1;
    int err = injectedError(ReplaceStep::CreateTemp);
    if (!err) {
        out = ::mkostemp(temp.data(), O_CLOEXEC);
        err = out < 0 ? errno : 0;
    }
    const QString tempName = QFile::decodeName(temp);
    if (err)
        return failure->setErrno(QStringLiteral("Can't create the temporary file %1").arg(tempName), err);

    bool ok = fillTemporary(out, tempName, QFile::decodeName(target), bytes, attributes, policy, failure);
    // close() can report a deferred write error (network file systems), so it counts too.
    int closeErr = ::close(out) == 0 ? 0 : errno;
    if (!closeErr)
        closeErr = injectedError(ReplaceStep::Close);
    if (ok && closeErr && closeErr != EINTR)
        ok = failure->setErrno(QStringLiteral("Can't close the temporary file %1").arg(tempName), closeErr);
    if (!ok) {
        // Created exclusively above, so it is ours to remove.
        ::unlink(temp.constData());
        return false;
    }
    *tempPath = temp;
    return true;
}

// Reads the regular file at path whole.
bool readWhole(const QByteArray& path, QByteArray* content, Failure* failure)
{
    const QString file = QFile::decodeName(path);
    const int in = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0)
        return failure->setErrno(QStringLiteral("Can't read %1").arg(file), errno);
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(in, chunk, sizeof chunk);
        if (n == 0)
            break;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(in);
            return failure->setErrno(QStringLiteral("Can't read %1").arg(file), err);
        }
        content->append(chunk, int(n));
    }
    ::close(in);
    return true;
}

// Keeps a copy of target as target + suffix unless one is there already. The copy appears complete
// or not at all, and one that appeared meanwhile is left as it is.
bool keepBackup(const QByteArray& target, const Attributes& attributes, const ReplacePolicy& policy,
                Failure* failure)
{
    const QByteArray backup = target + QFile::encodeName(policy.backupSuffix);
    const QString what = QStringLiteral("Can't keep a copy of %1 as %2")
                             .arg(QFile::decodeName(target), QFile::decodeName(backup));
    struct stat st;
    if (::lstat(backup.constData(), &st) == 0)
        return true;
    if (errno != ENOENT)
        return failure->setErrno(what, errno);
    QByteArray content;
    QByteArray temp;
    if (!readWhole(target, &content, failure) ||
        !writeTemporary(target, content, attributes, policy, &temp, failure))
        return false;
    // A hard link never replaces what is there; where the file system has none, a rename that may
    // not replace either.
    bool renamed = false;
    int err = injectedError(ReplaceStep::Backup);
    if (!err && ::link(temp.constData(), backup.constData()) != 0) {
        err = errno;
        renamed = err != EEXIST && ::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, backup.constData(),
                                               RENAME_NOREPLACE) == 0;
        if (renamed)
            err = 0;
    }
    if (!renamed)
        ::unlink(temp.constData());
    if (err && err != EEXIST)
        return failure->setErrno(what, err);
    return true;
}

void syncFolderOf(const QByteArray& path)
{
    const int slash = path.lastIndexOf('/');
    const QByteArray dir = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool replace(const QByteArray& path, const QByteArray& bytes, const ReplacePolicy& policy, Failure* failure)
{
    QByteArray target;
    struct stat original;
    bool exists;
    if (!findTarget(path, policy, &target, &original, &exists, failure))
        return false;
    Attributes attributes{mode_t(policy.createMode & 07777), uid_t(-1), gid_t(-1)};
    if (exists && policy.keepOwnerAndMode)
        attributes = {mode_t(original.st_mode & 07777), original.st_uid, original.st_gid};
    if (exists && !policy.backupSuffix.isEmpty() && !keepBackup(target, attributes, policy, failure))
        return false;

    QByteArray temp;
    if (!writeTemporary(target, bytes, attributes, policy, &temp, failure))
        return false;
    if (const int err =
            runStep(ReplaceStep::Rename, [&] { return ::rename(temp.constData(), target.constData()); })) {
        ::unlink(temp.constData());
        return failure->setErrno(
            QStringLiteral("Can't rename %1 to %2").arg(QFile::decodeName(temp), QFile::decodeName(target)),
            err);
    }
    // The replacement has taken effect; flushing the folder entry is best effort, as calling it failed
    // now would be the wrong answer.
    syncFolderOf(target);
    return true;
}

} // namespace

bool writeToDevice(QIODevice* device, const QByteArray& bytes, QString* why)
{
    qint64 written = 0;
    bool ok = true;
    while (ok && written < bytes.size()) {
        const qint64 n = device->write(bytes.constData() + written, bytes.size() - written);
        ok = n > 0;
        written += qMax<qint64>(n, 0);
    }
    // A buffered file's last bytes go out only at the flush, and a failure there (a full disk) counts.
    if (ok) {
        if (auto* file = qobject_cast<QFileDevice*>(device))
            ok = file->flush();
    }
    if (why)
        *why = ok ? QString() : device->errorString();
    return ok;
}

bool replaceFile(const QString& path, const QByteArray& bytes, const ReplacePolicy& policy,
                 QString* errorMessage, QString* reason)
{
    Failure failure;
    const bool ok = replace(QFile::encodeName(path), bytes, policy, &failure);
    if (errorMessage)
        *errorMessage = failure.message;
    if (reason)
        *reason = failure.reason;
    return ok;
}
