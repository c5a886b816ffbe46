#include "gamepadname.h"

const char* const kNamePlaceholder = "%GAMEPAD_NAME%";

namespace
{
const int kMaxNameLength = 128;
const int kMaxMappingBytes = 1023;
} // namespace

QString suggestedGamepadName(const char* sdlName)
{
    return sdlName ? QString::fromUtf8(sdlName).simplified() : QString();
}

bool acceptGamepadName(const QString& typed, QString* name, QString* errorMessage)
{
    for (const QChar c : typed) {
        // The name is the second comma-separated field of a line: a comma would end it early, and a
        // line break (or any other control character) would split or garble the line.
        if (c == QLatin1Char(',')) {
            if (errorMessage)
                *errorMessage = QStringLiteral("The name must not contain a comma.");
            return false;
        }
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph) {
            if (errorMessage)
                *errorMessage = QStringLiteral(
                    "The name must not contain line breaks, tabs or other control characters.");
            return false;
        }
    }

    QString accepted = typed;
    if (accepted.isEmpty()) {
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

QByteArray finalMapping(const QString& mapping, const QString& name)
{
    QString filled = mapping;
    filled.replace(QString::fromLatin1(kNamePlaceholder), name);
    QByteArray bytes = filled.toUtf8();
    if (bytes.size() > kMaxMappingBytes) {
        int length = kMaxMappingBytes;
        // Step back over continuation bytes so the cut falls before the character it would split.
        while (length > 0 && (static_cast<unsigned char>(bytes.at(length)) & 0xC0) == 0x80)
            --length;
        bytes.truncate(length);
    }
    return bytes;
}
