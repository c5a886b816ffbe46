#include "environmentfile.h"
#include "environmentfile_p.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const kSystemEnvironmentFile = "/etc/environment";

EnvironmentFileFault environmentFileFault = nullptr;

namespace
{

int injectedError(EnvironmentFileStep step)
{
    return environmentFileFault ? environmentFileFault(step) : 0;
}

// Runs one step that is a single system call returning 0 on success; returns 0 or the errno value.
template <typename Call> int runStep(EnvironmentFileStep step, Call call)
{
    if (const int err = injectedError(step))
        return err;
    return call() == 0 ? 0 : errno;
}

QString describe(const QString& what, int err)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(err)));
}

// Returns 0 or the errno value of the failed read.
int readAll(int fd, QByteArray* content)
{
    if (const int err = injectedError(EnvironmentFileStep::Read))
        return err;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0)
            return 0;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        content->append(chunk, static_cast<int>(n));
    }
}

// Returns 0 or the errno value of the failed write.
int writeAll(int fd, const QByteArray& content)
{
    if (const int err = injectedError(EnvironmentFileStep::Write))
        return err;
    const char* p = content.constData();
    size_t left = static_cast<size_t>(content.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return 0;
}

// Every line (with its own ending, if any) that does not contain name, in order.
QByteArray keptLines(const QByteArray& content, const QByteArray& name)
{
    QByteArray kept;
    kept.reserve(content.size());
    int start = 0;
    while (start < content.size()) {
        int end = content.indexOf('\n', start);
        end = end < 0 ? content.size() : end + 1;
        const QByteArray line = content.mid(start, end - start);
        if (!line.contains(name))
            kept += line;
        start = end;
    }
    return kept;
}

void syncDirectoryOf(const QByteArray& path)
{
    const int slash = path.lastIndexOf('/');
    const QByteArray dir = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes the complete new content to the temporary file out and makes it a faithful stand-in for the
// original. Returns "" or what failed.
QString fillTemporary(int out, const QString& temp, const QString& file, const QByteArray& content,
                      const struct stat& original)
{
    if (const int err = writeAll(out, content))
        return describe(QStringLiteral("Can't write the temporary file %1").arg(temp), err);
    // Owner first: a change of owner may clear set-id bits that the mode then restores. An owner that
    // is already right is left alone, so an unprivileged user can edit a file of their own.
    struct stat created;
    if (::fstat(out, &created) != 0)
        return describe(QStringLiteral("Can't examine the temporary file %1").arg(temp), errno);
    const int ownerErr = runStep(EnvironmentFileStep::Owner, [&] {
        if (created.st_uid == original.st_uid && created.st_gid == original.st_gid)
            return 0;
        return ::fchown(out, original.st_uid, original.st_gid);
    });
    if (ownerErr)
        return describe(QStringLiteral("Can't give %1 the owner and group of %2").arg(temp, file), ownerErr);
    if (const int err =
            runStep(EnvironmentFileStep::Mode, [&] { return ::fchmod(out, original.st_mode & 07777); }))
        return describe(QStringLiteral("Can't give %1 the permissions of %2").arg(temp, file), err);
    if (const int err = runStep(EnvironmentFileStep::Sync, [&] { return ::fsync(out); }))
        return describe(QStringLiteral("Can't flush the temporary file %1 to disk").arg(temp), err);
    return QString();
}

// The whole rewrite; value null means no line is appended. Returns "" on success, else what failed.
QString rewrite(const QByteArray& path, const QByteArray& name, const char* value)
{
    const QString file = QFile::decodeName(path);
    // O_NONBLOCK so that a FIFO at the path cannot hang the window; no effect on a regular file.
    const int in = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0)
        return describe(QStringLiteral("Can't open %1 for reading").arg(file), errno);
    struct stat original;
    if (::fstat(in, &original) != 0) {
        const int err = errno;
        ::close(in);
        return describe(QStringLiteral("Can't examine %1").arg(file), err);
    }
    if (!S_ISREG(original.st_mode)) {
        ::close(in);
        return QStringLiteral("Can't read %1: not a regular file").arg(file);
    }
    QByteArray content;
    const int readErr = readAll(in, &content);
    ::close(in);
    if (readErr)
        return describe(QStringLiteral("Can't read %1").arg(file), readErr);

    QByteArray newContent = keptLines(content, name);
    if (value) {
        if (!newContent.isEmpty() && !newContent.endsWith('\n'))
            newContent += '\n';
        newContent += name + '=' + value + '\n';
    }

    // A fresh name each time, created exclusively (mkstemp): nothing that already lies beside the file,
    // neither a leftover of a killed run nor a file or link planted by someone else, is followed,
    // overwritten or removed, and no leftover can block later edits.
    QByteArray tempPath = path + "_new.XXXXXX";
    int out = -1;
    int err = injectedError(EnvironmentFileStep::CreateTemp);
    if (!err) {
        out = ::mkostemp(tempPath.data(), O_CLOEXEC);
        err = out < 0 ? errno : 0;
    }
    const QString temp = QFile::decodeName(tempPath);
    if (err)
        return describe(QStringLiteral("Can't create the temporary file %1").arg(temp), err);

    QString failure = fillTemporary(out, temp, file, newContent, original);
    // close() can report a deferred write error (network file systems), so it counts too.
    int closeErr = ::close(out) == 0 ? 0 : errno;
    if (!closeErr)
        closeErr = injectedError(EnvironmentFileStep::Close);
    if (closeErr && closeErr != EINTR && failure.isEmpty())
        failure = describe(QStringLiteral("Can't close the temporary file %1").arg(temp), closeErr);
    if (failure.isEmpty()) {
        err = runStep(EnvironmentFileStep::Rename,
                      [&] { return ::rename(tempPath.constData(), path.constData()); });
        if (!err) {
            // The edit has taken effect; flushing the directory entry is best effort, as calling the
            // edit failed now would be the wrong answer.
            syncDirectoryOf(path);
            return QString();
        }
        failure = describe(QStringLiteral("Can't rename %1 to %2").arg(temp, file), err);
    }
    // Created exclusively above, so it is ours to remove.
    ::unlink(tempPath.constData());
    return failure;
}

bool edit(const char* name, const char* value, bool append, const QString& path, QString* errorMessage)
{
    QString failure;
    if (!name || !*name)
        failure = QStringLiteral("No variable name given");
    else if (std::strchr(name, '\n'))
        failure = QStringLiteral("The variable name holds a line break");
    else if (append && !value)
        failure = QStringLiteral("No value given");
    else if (append && std::strchr(value, '\n'))
        failure = QStringLiteral("The value holds a line break");
    if (!failure.isEmpty()) {
        if (errorMessage)
            *errorMessage = failure;
        return false;
    }

    const QByteArray encodedPath = QFile::encodeName(path);
    failure = rewrite(encodedPath, QByteArray(name), append ? value : nullptr);
    if (failure.isEmpty()) {
        if (errorMessage)
            errorMessage->clear();
        return true;
    }
    const QByteArray line = "ERROR: Can't open file " + encodedPath + ". Run 'sudo stickwell'\n";
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fflush(stdout);
    if (errorMessage)
        *errorMessage = failure;
    return false;
}

} // namespace

QString getEnvVar(const char* name)
{
    const char* value = name ? std::getenv(name) : nullptr;
    return QString::fromUtf8(value ? value : "");
}

bool setSystemEnvVar(const char* name, const char* value, const QString& path, QString* errorMessage)
{
    return edit(name, value, true, path, errorMessage);
}

bool resetSystemEnvVar(const char* name, const QString& path, QString* errorMessage)
{
    return edit(name, nullptr, false, path, errorMessage);
}
