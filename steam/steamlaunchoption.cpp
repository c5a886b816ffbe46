#include "steamlaunchoption.h"

QByteArray steamLaunchOption(const QByteArray& line, QString* errorMessage)
{
    QString why;
    if (line.isEmpty())
        why = QStringLiteral("The mapping is empty");
    else if (line.contains('\n') || line.contains('\r') || line.contains('\0'))
        why =
            QStringLiteral("The mapping holds a line break or a NUL byte, which a launch option can't hold");
    if (errorMessage)
        *errorMessage = why;
    if (!why.isEmpty())
        return QByteArray();
    // Within single quotes the shell takes every byte as it is but the quote itself, which is closed,
    // given escaped and opened again. Every % is followed by an empty '' so that Steam, which replaces
    // the text %command% wherever it stands, finds none inside the line.
    QByteArray quoted;
    for (const char c : line) {
        if (c == '\'')
            quoted += "'\\''";
        else if (c == '%')
            quoted += "%''";
        else
            quoted += c;
    }
    return "SDL_GAMECONTROLLERCONFIG='" + quoted + "' %command%";
}
