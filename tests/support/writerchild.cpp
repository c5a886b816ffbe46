// A process that rewrites one file over and over through one of the program's writers, so that a test
// can kill it (SIGKILL) at any moment of a write. The writes alternate between two contents, so the
// file is always one of two known versions.
//
//   writerchild local <path> <guid> <mappingFirst> <mappingSecond> [count]
//       saveLocalMapping(path, guid, mapping), the mapping alternating first, second, first, ...
//   writerchild db <path> <fileFirst> <fileSecond> [count]
//       replaceWorkingCopy(path, bytes of fileFirst / fileSecond, alternating)
//   writerchild env <path> <name> <valueFirst> <valueSecond> [count]
//       setSystemEnvVar(name, value, path), the value alternating
//   writerchild user <path> <name> <valueFirst> <valueSecond> [count]
//       setUserEnvVar(name, value, path), the value alternating
//
// Writes "R" to standard output when it is about to start the first write, and "." after each write
// that completed. Without count it writes until it is killed; with count it stops after count writes
// and exits 0. A failed write ends it with exit code 3 and the reason on standard error.

#include "environmentfile.h"
#include "localmappingfile.h"
#include "updatecheck.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace
{
void signalParent(char c)
{
    // Unbuffered: the parent counts these bytes after the kill.
    while (::write(1, &c, 1) < 0) {
    }
}

int usage()
{
    std::fprintf(stderr, "usage: writerchild local|db|env|user <path> <a> <b> <c> [count]\n"
                         "       (see the head of writerchild.cpp)\n");
    return 2;
}

QByteArray readWhole(const char* path)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "writerchild: cannot read %s\n", path);
        std::exit(2);
    }
    return file.readAll();
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 5)
        return usage();
    const QByteArray mode = argv[1];
    const QString path = QFile::decodeName(argv[2]);
    const bool db = mode == "db";
    if ((db && argc > 6) || (!db && (argc < 6 || argc > 7)))
        return usage();
    const int countArg = db ? 5 : 6;
    const long count = argc > countArg ? std::strtol(argv[countArg], nullptr, 10) : -1;

    QByteArray contents[2];
    if (db) {
        contents[0] = readWhole(argv[3]);
        contents[1] = readWhole(argv[4]);
    } else if (mode != "local" && mode != "env" && mode != "user") {
        return usage();
    }

    signalParent('R');
    for (long i = 0; count < 0 || i < count; ++i) {
        const int which = static_cast<int>(i % 2);
        QString error;
        bool ok;
        if (db)
            ok = replaceWorkingCopy(path, contents[which], &error);
        else if (mode == "local")
            ok = saveLocalMapping(path, QByteArray(argv[3]), QByteArray(argv[4 + which]), &error);
        else if (mode == "user")
            ok = setUserEnvVar(argv[3], argv[4 + which], path, &error);
        else
            ok = setSystemEnvVar(argv[3], argv[4 + which], path, &error);
        if (!ok) {
            std::fprintf(stderr, "writerchild: write %ld failed: %s\n", i, error.toLocal8Bit().constData());
            return 3;
        }
        signalParent('.');
    }
    return 0;
}
