#include "mappingsources.h"

#include "databasefiles.h"
#include "mappingline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <SDL.h>

QString mappingOriginLabel(MappingOrigin origin)
{
    switch (origin) {
    case MappingOrigin::CommunityDatabase:
        return QStringLiteral("community database");
    case MappingOrigin::Steam:
        return QStringLiteral("Steam");
    case MappingOrigin::LocalFile:
        return QStringLiteral("local file");
    case MappingOrigin::ConfiguredFile:
        return QStringLiteral(SDL_HINT_GAMECONTROLLERCONFIG_FILE);
    case MappingOrigin::ConfiguredVariable:
        return QStringLiteral(SDL_HINT_GAMECONTROLLERCONFIG);
    case MappingOrigin::Session:
        return QStringLiteral("mappings made this session");
    }
    return QString();
}

QList<SourcedLine> sourcedLines(MappingOrigin origin, const QByteArray& text)
{
    const bool isFile = origin == MappingOrigin::CommunityDatabase || origin == MappingOrigin::LocalFile ||
                        origin == MappingOrigin::ConfiguredFile;
    QList<SourcedLine> lines;
    for (const QByteArray& line : MappingLine::splitLines(text)) {
        if (MappingLine::isBlankOrComment(line) || (isFile && !MappingLine::whySdlSkips(line).isEmpty()))
            continue;
        lines.append({line, origin});
    }
    return lines;
}

namespace
{
QByteArray readRegularFile(const QString& path)
{
    // A directory or a FIFO is no mapping file (and a FIFO would block).
    if (!QFileInfo(path).isFile())
        return QByteArray();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

QList<SourcedLine> readMappingSources(const QString& dataDirectory, const QProcessEnvironment& environment,
                                      const QList<QByteArray>& steamLines)
{
    const QDir directory(dataDirectory.isEmpty() ? QDir::currentPath() : dataDirectory);
    QList<SourcedLine> lines =
        sourcedLines(MappingOrigin::CommunityDatabase,
                     readRegularFile(directory.filePath(QString::fromLatin1(kCommunityDatabaseFile))));
    lines += sourcedLines(MappingOrigin::Steam, steamLines.join('\n'));
    lines += sourcedLines(MappingOrigin::LocalFile,
                          readRegularFile(directory.filePath(QString::fromLatin1(kLocalDatabaseFile))));
    const QString configuredFile = environment.value(QStringLiteral(SDL_HINT_GAMECONTROLLERCONFIG_FILE));
    if (!configuredFile.isEmpty())
        lines += sourcedLines(MappingOrigin::ConfiguredFile, readRegularFile(configuredFile));
    lines += sourcedLines(MappingOrigin::ConfiguredVariable,
                          environment.value(QStringLiteral(SDL_HINT_GAMECONTROLLERCONFIG)).toUtf8());
    return lines;
}
