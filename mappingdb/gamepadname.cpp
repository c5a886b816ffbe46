#include "gamepadname.h"

namespace
{
const int kMaxNameLength = 128;

// The name is the second comma-separated field of a line: a comma would end it early, and a line break
// (or any other control character) would split or garble the line.
bool breaksTheLine(QChar c)
{
    const QChar::Category category = c.category();
    return c == QLatin1Char(',') || category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}
} // namespace

QString suggestedGamepadName(const char* sdlName)
{
    if (!sdlName)
        return QString();
    // Offered as the dialog's default, so it must be a name the dialog accepts: Return alone takes it.
    QString name = QString::fromUtf8(sdlName);
    for (QChar& c : name)
        if (breaksTheLine(c))
            c = QLatin1Char(' ');
    return name.simplified();
}

bool acceptGamepadName(const QString& typed, QString* name, QString* errorMessage)
{
    for (const QChar c : typed) {
        if (c == QLatin1Char(',')) {
            if (errorMessage)
                *errorMessage = QStringLiteral("The name must not contain a comma.");
            return false;
        }
        if (breaksTheLine(c)) {
            if (errorMessage)
                *errorMessage = QStringLiteral(
                    "The name must not contain line breaks, tabs or other control characters.");
            return false;
        }
    }

    QString accepted = typed;
    // Blanks alone are no name: saved as such, the pad would be listed without one.
    if (accepted.trimmed().isEmpty()) {
        accepted = QStringLiteral("Unknown Gamepad");
    } else if (accepted.size() > kMaxNameLength) {
        int length = kMaxNameLength;
        // Never keep the first half of a surrogate pair without its second.
        if (accepted.at(length - 1).isHighSurrogate())
            --length;
        accepted.truncate(length);
    }
    if (name)
        *name = accepted;
    if (errorMessage)
        errorMessage->clear();
    return true;
}
