#include "skippedlines.h"

#include "mappingline.h"

#include <QFile>
#include <QFileInfo>

QList<SkippedLine> linesSdlSkips(const QByteArray& text)
{
    QList<SkippedLine> skipped;
    int number = 0;
    for (const QByteArray& line : MappingLine::splitLines(text)) {
        ++number;
        const QString reason = MappingLine::whySdlSkips(line);
        if (!reason.isEmpty())
            skipped << SkippedLine{number, reason};
    }
    return skipped;
}

QStringList skippedLinesReport(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return QStringList();
    QStringList report;
    const QString name = QFileInfo(path).fileName();
    for (const SkippedLine& line : linesSdlSkips(file.readAll()))
        report
            << QStringLiteral("Line %1 of %2 is skipped by SDL: %3").arg(line.number).arg(name, line.reason);
    return report;
}
