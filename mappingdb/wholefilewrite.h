#ifndef WHOLEFILEWRITE_H
#define WHOLEFILEWRITE_H
// How this folder's two files (the local mapping file and the working copy) are replaced, and how a
// failure is worded. Internal to this folder.

#include <QByteArray>
#include <QString>

// Replaces the file at path with bytes (replaceFile: temporary file and rename); an existing file
// keeps its mode, and its owner where the user may give it, a new one gets mode 0644; a symbolic link
// stays and the file it leads to is rewritten. Returns true on success. On any failure (no directory,
// no permission, no space, path a directory) the old file stays byte-identical, no temporary file is
// left, false is returned and errorMessage (if given) says "Cannot write <path>: <why>".
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* errorMessage);

#endif
