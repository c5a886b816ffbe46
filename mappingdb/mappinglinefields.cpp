#include "mappinglinefields.h"

#include <algorithm>

MappingLineFields MappingLineFields::read(const QByteArray& line)
{
    MappingLineFields fields;
    int guidEnd = 0;
    int nameEnd = 0;
    if (!findHead(line, &guidEnd, &nameEnd))
        return fields;
    fields.valid = true;
    fields.guid = line.left(guidEnd).trimmed();
    fields.name = line.mid(guidEnd + 1, nameEnd - guidEnd - 1);
    const QList<QByteArray> parts = line.split(',');
    for (int i = 2; i < parts.size(); ++i) {
        const QByteArray field = parts.at(i).trimmed();
        if (field.startsWith("platform:")) {
            fields.platform = field.mid(9);
        } else if (field.startsWith("crc:")) {
            bool ok = false;
            const uint crc = field.mid(4).toUInt(&ok, 16);
            fields.crc = ok && crc <= 0xffff ? quint16(crc) : 0;
        } else if (field.contains(':') && !field.startsWith("hint:") && !field.startsWith("sdk")) {
            fields.bindings.append(field);
        }
    }
    std::sort(fields.bindings.begin(), fields.bindings.end());
    return fields;
}

bool MappingLineFields::findHead(const QByteArray& line, int* guidEnd, int* nameEnd)
{
    *guidEnd = line.indexOf(',');
    // SDL needs the comma after the name.
    *nameEnd = *guidEnd < 0 ? -1 : line.indexOf(',', *guidEnd + 1);
    return *nameEnd >= 0;
}

QByteArray MappingLineFields::platformOf(const QByteArray& line)
{
    const int at = line.indexOf("platform:");
    const int end = at < 0 ? -1 : line.indexOf(',', at);
    return end < 0 ? QByteArray() : line.mid(at + 9, end - at - 9);
}
