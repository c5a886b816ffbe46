#include "environmentfile.h"
#include "safereplace.h"
#include "userenvironmentformat.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const kSystemEnvironmentFile = "/etc/environment";
const char* const kUserEnvironmentFileName = "99-stickwell.conf";
const char* const kMappingVariable = "SDL_GAMECONTROLLERCONFIG";
const char* const kMappingFileVariable = "SDL_GAMECONTROLLERCONFIG_FILE";

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

// What one edit does: the file, the variables whose assignments go, the line appended after the rest
// ("" for a reset) and which of the two files it is.
struct Edit {
    QByteArray path;
    QList<QByteArray> names;
    QByteArray line;
    bool userFile;
};

// The system file without the lines that assign one of names, in order.
QByteArray keptSystemLines(const QByteArray& content, const QList<QByteArray>& names)
{
    QByteArray kept;
    kept.reserve(content.size());
    forEachLine(content, [&](const QByteArray& line) {
        for (const QByteArray& name : names)
            if (assignsVariable(line, name))
                return;
        kept += line;
    });
    return kept;
}

// The per-user file without the assignments of names (all their lines), the rest byte for byte.
QByteArray keptUserContent(const QByteArray& content, const QList<QByteArray>& names)
{
    QByteArray kept;
    kept.reserve(content.size());
    int from = 0;
    for (const UserAssignment& assignment : userAssignments(content)) {
        if (!names.contains(assignment.name))
            continue;
        if (assignment.begin >= from) {
            kept += content.mid(from, assignment.begin - from);
            // After a comment that ends in a backslash, systemd 252 carries the comment on: an empty
            // line takes the assignment's place, so that the line after it does not become comment.
            if (kept.endsWith("\\\n") || kept.endsWith("\\\r\n"))
                kept += '\n';
        }
        from = std::max(from, assignment.end);
    }
    return kept + content.mid(from);
}

// Appends line to the per-user file's content so that systemd reads it as a line of its own: a last
// line that lacks its break gets one, and a backslash that would carry the reader on into it gets an
// empty line to end on. Returns "" or why the line can't stand on its own.
QString appendUserLine(QByteArray* content, const QByteArray& line, const QByteArray& path)
{
    UserFileEnd end;
    userAssignments(*content, &end);
    for (int i = 0; i < 2 && (end == UserFileEnd::InLine || end == UserFileEnd::Continued ||
                              (!content->isEmpty() && !content->endsWith('\n')));
         ++i) {
        *content += '\n';
        userAssignments(*content, &end);
    }
    if (end != UserFileEnd::Fresh)
        return QStringLiteral("Won't write %1: it ends inside a quoted value that is never closed, so the "
                              "new line would become part of that value; close the quote or remove the "
                              "line that opens it")
            .arg(QFile::decodeName(path));
    *content += line;
    return QString();
}

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
    QByteArray newContent =
        edit.userFile ? keptUserContent(content, edit.names) : keptSystemLines(content, edit.names);
    if (!edit.line.isEmpty() && edit.userFile) {
        const QString refusal = appendUserLine(&newContent, edit.line, path);
        if (!refusal.isEmpty())
            return refusal;
    } else if (!edit.line.isEmpty()) {
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
    failure = rewrite({encodedPath, {QByteArray(name)}, line, false});
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

// Removes the assignments of name and of the other names from the per-user file and, with append,
// appends one that sets name to value.
bool editUserFile(const char* name, const char* value, bool append, const QList<QByteArray>& others,
                  const QString& path, QString* errorMessage)
{
    QString failure = checkArguments(name, value, append);
    if (failure.isEmpty() && append)
        failure = unfitForUserEnvironment(value);
    if (!failure.isEmpty())
        return finish(failure, errorMessage);
    const QByteArray line =
        append ? QByteArray(name) + '=' + quotedForUserEnvironment(value) + '\n' : QByteArray();
    return finish(rewrite({QFile::encodeName(path), QList<QByteArray>{name} + others, line, true}),
                  errorMessage);
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
    return editUserFile(name, value, true, {}, path, errorMessage);
}

bool resetUserEnvVar(const char* name, const QString& path, QString* errorMessage)
{
    return editUserFile(name, nullptr, false, {}, path, errorMessage);
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

bool userFileAssignsEnvVar(const QString& path, const char* name)
{
    QByteArray content;
    struct stat st;
    if (!name || !*name || !readOriginal(QFile::encodeName(path), false, &content, &st).isEmpty())
        return false;
    for (const UserAssignment& assignment : userAssignments(content))
        if (assignment.name == name)
            return true;
    return false;
}

namespace
{
// Removes systemName from the system file (as root always, else only when it holds it) and every one of
// userNames from the per-user file, in one rewrite, when it holds one.
EnvResetOutcome resetForSessions(const char* systemName, const QList<QByteArray>& userNames,
                                 const QString& systemFile, const QString& userFile, bool root)
{
    EnvResetOutcome outcome{QString(), root};
    if (root && !resetSystemEnvVar(systemName, systemFile, &outcome.error))
        return outcome;
    bool userHolds = false;
    for (const QByteArray& name : userNames)
        userHolds = userHolds || userFileAssignsEnvVar(userFile, name.constData());
    if (userHolds && !editUserFile(userNames.first().constData(), nullptr, false, userNames.mid(1), userFile,
                                   &outcome.error)) {
        outcome.needsRoot = false;
        return outcome;
    }
    if (!root && fileAssignsEnvVar(systemFile, systemName) &&
        !resetSystemEnvVar(systemName, systemFile, &outcome.error))
        outcome.needsRoot = true;
    return outcome;
}
} // namespace

EnvResetOutcome resetEnvVarForSessions(const char* name, const QString& systemFile, const QString& userFile,
                                       bool root)
{
    return resetForSessions(name, {QByteArray(name)}, systemFile, userFile, root);
}

QByteArray systemEnvironmentValue(const QByteArray& value, bool* simplified)
{
    QByteArray plain = value;
    bool changed = false;
    for (char& c : plain) {
        if (c == '#' || c == '$' || c == '\\' || c == '"' || c == '\'') {
            c = ' ';
            changed = true;
        }
    }
    if (simplified)
        *simplified = changed;
    return plain;
}

QString unfitMappingFilePath(const QString& path)
{
    const QString start = QStringLiteral("The mapping file's path \"%1\" ").arg(path);
    if (path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r')))
        return QStringLiteral("The mapping file's path holds a line break, which the user environment "
                              "can't carry");
    for (const QChar c : {QChar('"'), QChar('\''), QChar('$'), QChar('\\'), QChar('#')})
        if (path.contains(c))
            return start + QStringLiteral("holds the character \"%1\", which the readers of the user "
                                          "environment don't all pass on unchanged")
                               .arg(c);
    if (!path.startsWith(QLatin1Char('/')))
        return start + QStringLiteral("is not absolute: each game would look for it in its own folder");
    const QString unfit = unfitForUserEnvironment(QFile::encodeName(path));
    if (!unfit.isEmpty())
        return start + QStringLiteral("can't be carried: %1").arg(unfit);
    return QString();
}

bool setUserMappingFile(const QString& mappingFile, const QString& userFile, QString* errorMessage)
{
    const QString unfit = unfitMappingFilePath(mappingFile);
    if (!unfit.isEmpty())
        return finish(unfit, errorMessage);
    return setUserEnvVar(kMappingFileVariable, QFile::encodeName(mappingFile).constData(), userFile,
                         errorMessage);
}

SavedMappingVariables savedMappingVariables(const QString& systemFile, const QString& userFile)
{
    SavedMappingVariables saved;
    saved.lineSystemWide = fileAssignsEnvVar(systemFile, kMappingVariable);
    saved.lineForUser = userFileAssignsEnvVar(userFile, kMappingVariable);
    saved.fileForUser = userFileAssignsEnvVar(userFile, kMappingFileVariable);
    return saved;
}

EnvResetOutcome resetMappingVariables(const QString& systemFile, const QString& userFile, bool root)
{
    return resetForSessions(kMappingVariable,
                            {QByteArray(kMappingVariable), QByteArray(kMappingFileVariable)}, systemFile,
                            userFile, root);
}

QStringList mappingFileReport(const QString& value)
{
    const QString variable = QString::fromLatin1(kMappingFileVariable);
    if (value.isEmpty())
        return {QStringLiteral("Environment variable \"%1\" is not defined").arg(variable)};
    QStringList report{QStringLiteral("Environment variable \"%1\" is set to: \"%2\"").arg(variable, value)};
    const QByteArray path = QFile::encodeName(value);
    struct stat st;
    QString problem;
    if (!value.startsWith(QLatin1Char('/')))
        problem = QStringLiteral("it is not an absolute path, so each game looks for it in its own folder");
    else if (::stat(path.constData(), &st) != 0)
        problem = errno == ENOENT
                      ? QStringLiteral("it points at a file that does not exist")
                      : describe(QStringLiteral("it points at a file that can't be examined"), errno);
    else if (!S_ISREG(st.st_mode))
        problem = QStringLiteral("it points at something that is not a file");
    else if (const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); fd < 0)
        problem = describe(QStringLiteral("it points at a file that can't be read"), errno);
    else
        ::close(fd);
    if (!problem.isEmpty())
        report << QStringLiteral("Warning: \"%1\" gives games no mappings: %2").arg(variable, problem);
    return report;
}
