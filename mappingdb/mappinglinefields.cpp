#include "mappinglinefields.h"

#include <algorithm>

MappingLineFields MappingLineFields::read(const QByteArray& line)
{
    MappingLineFields fields;
    if (!readHead(line, &fields.guid, &fields.name))
        return fields;
    fields.valid = true;
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

bool MappingLineFields::readHead(const QByteArray& line, QByteArray* guid, QByteArray* name)
{
    const int guidEnd = line.indexOf(',');
    // SDL needs the comma after the name.
    const int nameEnd = guidEnd < 0 ? -1 : line.indexOf(',', guidEnd + 1);
    if (nameEnd < 0)
        return false;
    *guid = line.left(guidEnd).trimmed();
    *name = line.mid(guidEnd + 1, nameEnd - guidEnd - 1);
    return true;
}
