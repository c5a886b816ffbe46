#ifndef PADRELATIVES_H
#define PADRELATIVES_H
// A pad's relatives: the lines of the program's sources for the same model under another GUID (over
// another bus, after a firmware update, under another name), which SDL before 2.26 never applies to
// it and no SDL version applies across buses. Pure functions over lines.

#include "mappingsources.h"
#include "portablemapping.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct PadRelative {
    SourcedLine source;
    QStringList differences; // how its pad differs from this one, e.g. "over Bluetooth", "firmware 0x0110"
    QString description() const { return differences.join(QStringLiteral(", ")); }
};

// The relatives of the pad pad (its portable GUID and CRCs) whose name SDL reports as padName, among
// lines (lowest priority first, as readMappingSources gives them). A pad with both vendor and product
// ids non-zero: the lines for the same ids with another bus, version, name CRC or driver. A pad without
// (its GUID carries its name): the lines whose GUID carries the same name, or whose name field is
// padName (ignoring case and repeated blanks). Never the pad's own lines (isPadLine). The same line text
// from several sources comes once, from the one that wins; the result runs from the highest-priority
// source down, each source's lines in their order. differences is never empty: "over USB",
// "over Bluetooth", "over bus 0x19", "as an SDL virtual joystick", "firmware 0x0110", "another name",
// "through SDL's HIDAPI driver", "with ids 045e:028e" and the like.
QList<PadRelative> findRelatives(const PadIdentity& pad, const QByteArray& padName,
                                 const QList<SourcedLine>& lines);

// The line of a relative (or any line) rewritten for pad, as MappingLine::text: pad's portable GUID and
// CRC, its name, bindings and other fields kept, and this platform in its platform: field, so that it can
// be saved to a file and registered as it is. Empty, with errorMessage saying why, for a line that
// MappingLine::parse refuses.
QByteArray relativeLineForPad(const QByteArray& line, const PadIdentity& pad,
                              QString* errorMessage = nullptr);

// The log line for a pad's selection: "\"<name>\": no similar pad with a known line" or
// "\"<name>\": <n> similar pad(s) with a known line".
QString relativesLogText(const QByteArray& padName, int count);

#endif
