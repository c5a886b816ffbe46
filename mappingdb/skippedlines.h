#ifndef SKIPPEDLINES_H
#define SKIPPEDLINES_H
// The lines of a mapping file that SDL passes over on this platform, so that they can be named in the
// log: a game that reads the file (SDL_GAMECONTROLLERCONFIG_FILE) or this program never uses them.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct SkippedLine {
    int number;     // 1-based, as an editor counts lines
    QString reason; // MappingLine::whySdlSkips
};

// The lines of a mapping file's text that SDL's loader skips on this platform, in order. Blank lines
// and comments, which SDL passes over by design, are not listed.
QList<SkippedLine> linesSdlSkips(const QByteArray& text);

// The same for the file at path, as lines for the log: "Line <n> of <file name> is skipped by SDL:
// <reason>". Empty when every line is used, and when the file is missing or cannot be read (loading
// says nothing of those either).
QStringList skippedLinesReport(const QString& path);

#endif
