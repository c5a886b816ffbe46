#include "databasefiles.h"

#include "mappingline.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <SDL.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

const char* const kCommunityDatabaseFile = "gamecontrollerdb.txt";
const char* const kLocalDatabaseFile = "gamecontrollerdb.local.txt";

QString defaultDataDirectory()
{
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    return locations.isEmpty() ? QString() : locations.first();
}

QString defaultSeedPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kCommunityDatabaseFile));
}

namespace
{

// Creates every missing directory of path, each private to the user as the XDG base directories ask.
// Returns "" or why it failed.
QString makePath(const QString& path)
{
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    int from = 1;
    for (;;) {
        const int slash = absolute.indexOf(QLatin1Char('/'), from);
        const QString part = slash < 0 ? absolute : absolute.left(slash);
        const QByteArray encoded = QFile::encodeName(part);
        struct stat info;
        if (::stat(encoded.constData(), &info) != 0) {
            if (::mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST)
                return QStringLiteral("can't create %1: %2")
                    .arg(part, QString::fromLocal8Bit(strerror(errno)));
        } else if (!S_ISDIR(info.st_mode)) {
            return QStringLiteral("%1 is not a directory").arg(part);
        }
        if (slash < 0)
            return QString();
        from = slash + 1;
    }
}

} // namespace

bool enterDataDirectory(const QString& dataDirectory, const QString& seedPath, QString* errorMessage)
{
    // The files are addressed by their bare names from now on: staying anywhere else would put the
    // user's mappings into whatever folder the program was started from, to be lost from the next start.
    QString failure;
    if (dataDirectory.isEmpty())
        failure = QStringLiteral("the system names no data directory");
    else
        failure = makePath(dataDirectory);
    if (failure.isEmpty() && ::chdir(QFile::encodeName(dataDirectory).constData()) != 0)
        failure =
            QStringLiteral("can't enter %1: %2").arg(dataDirectory, QString::fromLocal8Bit(strerror(errno)));
    if (errorMessage)
        *errorMessage = failure;
    if (!failure.isEmpty())
        return false;

    const QString workingCopy = QString::fromLatin1(kCommunityDatabaseFile);
    if (QFileInfo::exists(workingCopy) || seedPath.isEmpty())
        return true;
    if (QFile::copy(seedPath, workingCopy)) {
        // QFile::copy carries the seed's permissions over; an installed seed is often read-only, and a
        // read-only working copy would make every later update fail.
        QFile::setPermissions(workingCopy, QFile::permissions(workingCopy) | QFileDevice::ReadOwner |
                                               QFileDevice::WriteOwner);
    }
    return true;
}

namespace
{

void addMappingsFromFile(const char* path)
{
    // Only regular files: a directory holds no lines and a FIFO would block the start. SDL reads from
    // memory no more than an int counts.
    QFile file(QFile::decodeName(path));
    if (!QFileInfo(file).isFile() || file.size() >= INT_MAX / 2 || !file.open(QIODevice::ReadOnly))
        return;
    // SDL's loader keeps a "\r" before a line end in the mapping it stores, from where it would reach
    // every line handed out or rewritten: the lines go to SDL as this program reads them.
    QByteArray text;
    for (const QByteArray& line : MappingLine::splitLines(file.readAll()))
        text += line + '\n';
    SDL_GameControllerAddMappingsFromRW(SDL_RWFromConstMem(text.constData(), int(text.size())), 1);
}

} // namespace

void takeOverConfiguredMappings()
{
    // SDL would read these itself at start, with a priority that no mapping added later can override:
    // a new mapping made here could then never replace the old line for its pad. Told to read nothing,
    // SDL leaves them to loadMappingFiles, which adds them as it adds everything else.
    if (SDL_getenv(SDL_HINT_GAMECONTROLLERCONFIG))
        SDL_SetHintWithPriority(SDL_HINT_GAMECONTROLLERCONFIG, "", SDL_HINT_OVERRIDE);
    if (SDL_getenv(SDL_HINT_GAMECONTROLLERCONFIG_FILE))
        SDL_SetHintWithPriority(SDL_HINT_GAMECONTROLLERCONFIG_FILE, "", SDL_HINT_OVERRIDE);
}

void loadMappingFiles(const QList<QByteArray>& steamLines)
{
    // SDL replaces the mapping of a GUID it already knows, so the user's own file goes after the
    // community's and wins; the configured mappings come last, as games started now would see them.
    addMappingsFromFile(kCommunityDatabaseFile);
    for (const QByteArray& line : steamLines)
        SDL_GameControllerAddMapping(line.constData());
    addMappingsFromFile(kLocalDatabaseFile);
    loadConfiguredMappings();
}

void loadConfiguredMappings()
{
    if (const char* file = SDL_getenv(SDL_HINT_GAMECONTROLLERCONFIG_FILE))
        addMappingsFromFile(file);
    // Line by line, as SDL reads the variable: unlike a file's lines, these need no platform field.
    for (const QByteArray& line : MappingLine::splitLines(qgetenv(SDL_HINT_GAMECONTROLLERCONFIG)))
        if (!line.trimmed().isEmpty())
            SDL_GameControllerAddMapping(line.constData());
}
