#include "environmentfile.h"
#include "safereplace.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const kSystemEnvironmentFile = "/etc/environment";
const char* const kUserEnvironmentFileName = "99-stickwell.conf";

namespace
{

QString describe(const QString& what, int err)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(err)));
}

// Returns 0 or the errno value of the failed read.
int readAll(int fd, QByteArray* content)
{
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

// True when line assigns name: optional blanks, optionally "export" and blanks, then name and "=".
bool assignsVariable(const QByteArray& line, const QByteArray& name)
{
    auto isBlank = [&](int i) { return i < line.size() && (line[i] == ' ' || line[i] == '\t'); };
    int i = 0;
    while (isBlank(i))
        ++i;
    if (line.mid(i, 6) == "export" && isBlank(i + 6)) {
        i += 6;
        while (isBlank(i))
            ++i;
    }
    return line.mid(i, name.size()) == name && line.mid(i + name.size(), 1) == "=";
}

// Calls take(line) for every line of content, each with its own ending if it has one.
template <typename Take> void forEachLine(const QByteArray& content, Take take)
{
    int start = 0;
    while (start < content.size()) {
        int end = content.indexOf('\n', start);
        end = end < 0 ? content.size() : end + 1;
        take(content.mid(start, end - start));
        start = end;
    }
}

// Every line that does not assign name, in order.
QByteArray keptLines(const QByteArray& content, const QByteArray& name)
{
    QByteArray kept;
    kept.reserve(content.size());
    forEachLine(content, [&](const QByteArray& line) {
        if (!assignsVariable(line, name))
            kept += line;
    });
    return kept;
}

// What one edit does: the file, the variable, the line that takes the place of its old lines ("" for a
// reset) and which of the two files it is.
struct Edit {
    QByteArray path;
    QByteArray name;
    QByteArray line;
    bool userFile;
};

const char kUserFileHeader[] =
    "# Written by Stickwell: the gamepad mapping for SDL2 games, read by your desktop session at login.\n"
    "# Delete this file to undo it.\n";

// Reads the regular file at path (never a FIFO, which could hang the window). Returns "" or what failed.
QString readOriginal(const QByteArray& path, bool noFollow, QByteArray* content, struct stat* original)
{
    const QString file = QFile::decodeName(path);
    const int in = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (noFollow ? O_NOFOLLOW : 0));
    if (in < 0)
        return describe(QStringLiteral("Can't open %1 for reading").arg(file), errno);
    if (::fstat(in, original) != 0) {
        const int err = errno;
        ::close(in);
        return describe(QStringLiteral("Can't examine %1").arg(file), err);
    }
    if (!S_ISREG(original->st_mode)) {
        ::close(in);
        return QStringLiteral("Can't read %1: not a regular file").arg(file);
    }
    const int readErr = readAll(in, content);
    ::close(in);
    if (readErr)
        return describe(QStringLiteral("Can't read %1").arg(file), readErr);
    return QString();
}

// Puts newContent in the place of the file at path (already resolved, if it was a link). Returns "" on
// success, else what failed; the file at path is then as it was.
QString replaceContent(const QByteArray& path, const QByteArray& newContent, bool userFile)
{
    ReplacePolicy policy;
    policy.links = userFile ? ReplacePolicy::RefuseLink : ReplacePolicy::FollowLink;
    policy.mayCreate = userFile;
    policy.temporarySuffix = QStringLiteral("_new.");
    QString failure;
    replaceFile(QFile::decodeName(path), newContent, policy, &failure);
    return failure;
}

// Creates dir, and the missing folders above it with mode 0700 (the user's configuration home may not
// exist yet). Returns 0 or the errno value.
int makeDirectory(const QByteArray& dir, mode_t mode)
{
    struct stat st;
    if (::stat(dir.constData(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    const int slash = dir.lastIndexOf('/');
    if (slash > 0)
        if (const int err = makeDirectory(dir.left(slash), 0700))
            return err;
    if (::mkdir(dir.constData(), mode) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

// The per-user file is missing: a set creates it (and its folder), a reset has nothing to do.
QString createUserFile(const Edit& edit)
{
    if (edit.line.isEmpty())
        return QString();
    const int slash = edit.path.lastIndexOf('/');
    const QByteArray dir = slash > 0 ? edit.path.left(slash) : QByteArray(".");
    struct stat st;
    if (::stat(dir.constData(), &st) != 0) {
        if (const int err = makeDirectory(dir, 0755))
            return describe(QStringLiteral("Can't create the folder %1").arg(QFile::decodeName(dir)), err);
        // Readable by the session's other programs whatever the umask.
        ::chmod(dir.constData(), 0755);
    }
    return replaceContent(edit.path, kUserFileHeader + edit.line, true);
}

// The whole rewrite. Returns "" on success, else what failed.
QString rewrite(const Edit& edit)
{
    QByteArray path = edit.path;
    struct stat st;
    if (::lstat(path.constData(), &st) != 0) {
        // ENOTDIR: a file where the folder belongs; creating the folder then says so.
        if ((errno == ENOENT || errno == ENOTDIR) && edit.userFile)
            return createUserFile(edit);
    } else if (S_ISLNK(st.st_mode)) {
        // The per-user file is ours alone: a link there was put by someone else and could lead into any
        // file the user may write. The system file may be a link by the administrator's choice: its
        // target is rewritten and the link kept.
        if (edit.userFile)
            return QStringLiteral(
                       "Won't write %1: it is a symbolic link, not the file Stickwell wrote; remove "
                       "it or replace it with a plain file")
                .arg(QFile::decodeName(path));
        char* resolved = ::realpath(path.constData(), nullptr);
        if (!resolved)
            return describe(QStringLiteral("Can't open %1 for reading").arg(QFile::decodeName(path)), errno);
        path = resolved;
        std::free(resolved);
    }

    QByteArray content;
    struct stat original;
    const QString failure = readOriginal(path, edit.userFile, &content, &original);
    if (!failure.isEmpty())
        return failure;
    QByteArray newContent = keptLines(content, edit.name);
    if (!edit.line.isEmpty()) {
        if (!newContent.isEmpty() && !newContent.endsWith('\n'))
            newContent += '\n';
        newContent += edit.line;
    }
    return replaceContent(path, newContent, edit.userFile);
}

// Checks the arguments; returns "" when they are fit to be written.
QString checkArguments(const char* name, const char* value, bool append)
{
    if (!name || !*name)
        return QStringLiteral("No variable name given");
    if (std::strchr(name, '\n'))
        return QStringLiteral("The variable name holds a line break");
    if (append && !value)
        return QStringLiteral("No value given");
    if (append && std::strchr(value, '\n'))
        return QStringLiteral("The value holds a line break");
    return QString();
}

bool finish(const QString& failure, QString* errorMessage)
{
    if (errorMessage)
        *errorMessage = failure;
    return failure.isEmpty();
}

bool editSystemFile(const char* name, const char* value, bool append, const QString& path,
                    QString* errorMessage)
{
    QString failure = checkArguments(name, value, append);
    if (!failure.isEmpty())
        return finish(failure, errorMessage);

    const QByteArray encodedPath = QFile::encodeName(path);
    const QByteArray line = append ? QByteArray(name) + '=' + value + '\n' : QByteArray();
    failure = rewrite({encodedPath, QByteArray(name), line, false});
    if (!failure.isEmpty()) {
        const QByteArray error = "ERROR: Can't open file " + encodedPath + ". Run 'sudo stickwell'\n";
        std::fwrite(error.constData(), 1, static_cast<size_t>(error.size()), stdout);
        std::fflush(stdout);
    }
    return finish(failure, errorMessage);
}

// The value as the systemd user environment reads it back byte for byte: in double quotes, with '"',
// '\' and '`' escaped for its parser and '$' doubled for its variable expansion, which follows.
QByteArray quotedForUserEnvironment(const QByteArray& value)
{
    QByteArray quoted = "\"";
    for (const char c : value) {
        if (c == '$')
            quoted += '$';
        else if (c == '"' || c == '\\' || c == '`')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// Why the user environment cannot carry value, or "" when it can. Its reader drops values that are not
// UTF-8, and control characters do not come back as they were written.
QString unfitForUserEnvironment(const QByteArray& value)
{
    for (const char c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return QStringLiteral("The value holds a control character, which the user environment can't "
                                  "hold");
    if (QString::fromUtf8(value).toUtf8() != value)
        return QStringLiteral("The value is not valid UTF-8, which the user environment needs");
    return QString();
}

bool editUserFile(const char* name, const char* value, bool append, const QString& path,
                  QString* errorMessage)
{
    QString failure = checkArguments(name, value, append);
    if (failure.isEmpty() && append)
        failure = unfitForUserEnvironment(value);
    if (!failure.isEmpty())
        return finish(failure, errorMessage);
    const QByteArray line =
        append ? QByteArray(name) + '=' + quotedForUserEnvironment(value) + '\n' : QByteArray();
    return finish(rewrite({QFile::encodeName(path), QByteArray(name), line, true}), errorMessage);
}

} // namespace

QString getEnvVar(const char* name)
{
    const char* value = name ? std::getenv(name) : nullptr;
    return QString::fromUtf8(value ? value : "");
}

bool setSystemEnvVar(const char* name, const char* value, const QString& path, QString* errorMessage)
{
    return editSystemFile(name, value, true, path, errorMessage);
}

bool resetSystemEnvVar(const char* name, const QString& path, QString* errorMessage)
{
    return editSystemFile(name, nullptr, false, path, errorMessage);
}

QString defaultConfigHome()
{
    const QString configured = QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
    if (configured.startsWith(QLatin1Char('/')))
        return configured;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString userEnvironmentFile(const QString& configHome)
{
    return configHome + QStringLiteral("/environment.d/") + QString::fromLatin1(kUserEnvironmentFileName);
}

bool setUserEnvVar(const char* name, const char* value, const QString& path, QString* errorMessage)
{
    return editUserFile(name, value, true, path, errorMessage);
}

bool resetUserEnvVar(const char* name, const QString& path, QString* errorMessage)
{
    return editUserFile(name, nullptr, false, path, errorMessage);
}

bool fileAssignsEnvVar(const QString& path, const char* name)
{
    QByteArray content;
    struct stat st;
    if (!name || !*name || !readOriginal(QFile::encodeName(path), false, &content, &st).isEmpty())
        return false;
    bool found = false;
    forEachLine(content, [&](const QByteArray& line) { found = found || assignsVariable(line, name); });
    return found;
}

EnvResetOutcome resetEnvVarForSessions(const char* name, const QString& systemFile, const QString& userFile,
                                       bool root)
{
    EnvResetOutcome outcome{QString(), root};
    if (root && !resetSystemEnvVar(name, systemFile, &outcome.error))
        return outcome;
    if (fileAssignsEnvVar(userFile, name) && !resetUserEnvVar(name, userFile, &outcome.error)) {
        outcome.needsRoot = false;
        return outcome;
    }
    if (!root && fileAssignsEnvVar(systemFile, name) && !resetSystemEnvVar(name, systemFile, &outcome.error))
        outcome.needsRoot = true;
    return outcome;
}
