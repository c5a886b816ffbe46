#include "localmappingfile.h"

#include "mappingline.h"
#include "wholefilewrite.h"

#include <QFile>
#include <QFileInfo>

namespace
{
void setError(QString* errorMessage, const QString& text)
{
    if (errorMessage)
        *errorMessage = text;
}
} // namespace

bool saveLocalMapping(const QString& path, const QByteArray& guidText, const QByteArray& mapping,
                      QString* errorMessage, QStringList* skipped)
{
    return saveLocalMapping(path, padIdentity(guidText, QByteArray()), mapping, errorMessage, skipped);
}

bool saveLocalMapping(const QString& path, const PadIdentity& pad, const QByteArray& mapping,
                      QString* errorMessage, QStringList* skipped)
{
    if (!MappingLine::isGuidText(pad.guid)) {
        setError(errorMessage, QStringLiteral("Cannot save the mapping: the gamepad has no GUID."));
        return false;
    }
    if (mapping.contains('\n') || mapping.contains('\r')) {
        setError(errorMessage, QStringLiteral("Cannot save the mapping: it holds a line break."));
        return false;
    }

    QByteArray content;
    QFile existing(path);
    if (existing.exists()) {
        // An existing file we cannot read must not be replaced by a file without its lines.
        if (!existing.open(QIODevice::ReadOnly)) {
            setError(errorMessage, QStringLiteral("Cannot read %1: %2").arg(path, existing.errorString()));
            return false;
        }
        const QByteArray old = existing.readAll();
        if (existing.error() != QFileDevice::NoError) {
            setError(errorMessage, QStringLiteral("Cannot read %1: %2").arg(path, existing.errorString()));
            return false;
        }
        existing.close();

        int number = 0;
        for (const QByteArray& line : MappingLine::splitLines(old)) {
            ++number;
            QString problem;
            if (isPadLine(line, pad, &problem))
                continue;
            // A line that cannot be read may be anyone's: it stays, and the caller hears of it.
            if (!problem.isEmpty() && skipped)
                *skipped << QStringLiteral("Line %1 of %2 kept as it is: %3")
                                .arg(number)
                                .arg(QFileInfo(path).fileName(), problem);
            content += line;
            content += '\n';
        }
    }
    content += mapping;
    content += '\n';

    return writeWholeFile(path, content, errorMessage);
}
