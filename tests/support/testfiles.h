#ifndef TESTFILES_H
#define TESTFILES_H
// Whole files read and written by the tests, to set up a case and to check what the program left.

#include <QByteArray>
#include <QFile>
#include <QString>

// The bytes of the file at path; "<unreadable>" (which no test writes) when it cannot be read: missing,
// a directory, no permission.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Makes the file at path hold exactly bytes (created or truncated). True when every byte was written.
inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
           file.flush();
}

#endif
