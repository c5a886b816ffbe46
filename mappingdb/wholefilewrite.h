#ifndef WHOLEFILEWRITE_H
#define WHOLEFILEWRITE_H
// Replacing a file's whole content so that it is either completely the new bytes or untouched.
// Internal to this folder.

#include <QByteArray>
#include <QString>

// Writes bytes to a temporary file beside path and renames it over path (QSaveFile); the file keeps
// its permissions. Returns true on success. On any failure (no directory, no permission, no space,
// path a directory) the old file stays byte-identical, the temporary file is removed, false is
// returned and errorMessage (if given) says "Cannot write <path>: <why>".
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* errorMessage);

#endif
