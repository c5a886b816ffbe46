#ifndef GAMEPADNAME_H
#define GAMEPADNAME_H
// The name the user gives a new mapping: the one offered, and the rules of the one accepted.

#include <QString>

// The name offered in the dialog: SDL's name with every character the dialog refuses (commas, control
// characters) turned into a blank, then simplified (white space trimmed and folded); null gives "".
QString suggestedGamepadName(const char* sdlName);

// Turns the dialog's text into the name that goes into the mapping: empty or blank gives "Unknown Gamepad",
// otherwise the text as typed, cut to its first 128 characters. A name holding a comma or a control
// character (line breaks included) would break the mapping line: it is refused, false is returned and
// errorMessage says why, so the caller can ask again.
bool acceptGamepadName(const QString& typed, QString* name, QString* errorMessage);

#endif
