#ifndef WHOLEFILEWRITE_H
#define WHOLEFILEWRITE_H
// Replacing a file's whole content so that it is either completely the new bytes or untouched.
// Internal to this folder.

#include <QByteArray>
#include <QString>

class QIODevice;

// Writes all of bytes to device, which is open for writing, and flushes it when it is a file. Qt reports
// no error for a short write (a nearly full disk takes what fits), so the rest is written again until
// every byte is in or a write takes nothing. Returns true when every byte is written; otherwise false,
// and why (if given) is the device's error text, e.g. "No space left on device".
bool writeToDevice(QIODevice* device, const QByteArray& bytes, QString* why);

// Writes bytes (writeToDevice) to a temporary file beside path and renames it over path (QSaveFile);
// the file keeps its permissions. Returns true on success. On any failure (no directory, no
// permission, no space, path a directory) the old file stays byte-identical, the temporary file is
// removed, false is returned and errorMessage (if given) says "Cannot write <path>: <why>".
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* errorMessage);

#endif
