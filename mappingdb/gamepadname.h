#ifndef GAMEPADNAME_H
#define GAMEPADNAME_H
// The name the user gives a new mapping, and the final mapping text that carries it.

#include <QByteArray>
#include <QString>

extern const char* const kNamePlaceholder; // "%GAMEPAD_NAME%"

// The name offered in the dialog: SDL's name with every character the dialog refuses (commas, control
// characters) turned into a blank, then simplified (white space trimmed and folded); null gives "".
QString suggestedGamepadName(const char* sdlName);

// Turns the dialog's text into the name that goes into the mapping: empty or blank gives "Unknown Gamepad",
// otherwise the text as typed, cut to its first 128 characters. A name holding a comma or a control
// character (line breaks included) would break the mapping line: it is refused, false is returned and
// errorMessage says why, so the caller can ask again.
bool acceptGamepadName(const QString& typed, QString* name, QString* errorMessage);

// Replaces every "%GAMEPAD_NAME%" of mapping by name and encodes it as UTF-8, cut as a mapping line is
// (MappingLine::fitted). Transitional, with the worker's text line: a line built as a MappingLine gets
// its name directly.
QByteArray finalMapping(const QString& mapping, const QString& name);

#endif
