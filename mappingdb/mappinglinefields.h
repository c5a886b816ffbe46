#ifndef MAPPINGLINEFIELDS_H
#define MAPPINGLINEFIELDS_H
// The fields of a mapping line that finding a pad's lines needs: GUID, name, platform, CRC and the
// bindings. The one place where the relatives' code reads a line.

#include <QByteArray>
#include <QList>

struct MappingLineFields {
    bool valid = false; // a GUID field and a name field, as SDL requires
    QByteArray guid;
    QByteArray name;
    QByteArray platform;        // the platform: field's value; empty when there is none
    quint16 crc = 0;            // the crc: field's value; 0 when there is none or it is not hex
    QList<QByteArray> bindings; // "a:b0" and the like: every field but those above and hint:/sdk, sorted

    // Splits line at its commas as SDL does: GUID, name, then fields in any order.
    static MappingLineFields read(const QByteArray& line);

    // Where the GUID and the name field end, for a quick look at many lines without copying them: the
    // GUID is line[0, guidEnd), the name line[guidEnd + 1, nameEnd). False when the line has no name
    // field followed by a comma (read gives valid false then too).
    static bool findHead(const QByteArray& line, int* guidEnd, int* nameEnd);

    // The platform as SDL finds it in a file's line: after the first "platform:", up to the next comma;
    // empty when there is none or no comma follows it (SDL skips such a line of a file).
    static QByteArray platformOf(const QByteArray& line);
};

#endif
