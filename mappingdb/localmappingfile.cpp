#include "localmappingfile.h"

#include "wholefilewrite.h"

#include <QFile>

namespace
{
void setError(QString* errorMessage, const QString& text)
{
    if (errorMessage)
        *errorMessage = text;
}
} // namespace

bool saveLocalMapping(const QString& path, const QByteArray& guidText, const QByteArray& mapping,
                      QString* errorMessage)
{
    // Every line holds the empty text: an empty GUID would wipe the user's whole file.
    if (guidText.isEmpty()) {
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

        QList<QByteArray> lines = old.split('\n');
        // A final "\n" leaves an empty piece behind that is no line of its own.
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (QByteArray line : lines) {
            if (line.endsWith('\r'))
                line.chop(1);
            if (line.contains(guidText))
                continue;
            content += line;
            content += '\n';
        }
    }
    content += mapping;
    content += '\n';

    return writeWholeFile(path, content, errorMessage);
}
