#ifndef MAPPINGLINE_H
#define MAPPINGLINE_H
// One line of SDL2's game-controller mapping format, and every rule of its text: the order of its
// fields, the platform: and crc: fields, where a GUID carries a CRC, the length cap, and how a file is
// split into lines. The rest of the program reads and writes mapping lines only through this type.
//
// The text the program writes is the portable form, which every SDL2 version reads:
//   <GUID, digits 5-8 = 0000>,<name>,platform:<platform>,crc:<cccc>,<bindings…>,<other fields…>,
// Since 2.26 SDL puts a CRC-16 of the device name into bytes 2-3 of a joystick GUID (hex digits 5-8);
// older versions compare GUIDs byte for byte with lines that hold 0000 there. The portable form keeps
// 0000 in the GUID and carries the CRC in the crc: field, which 2.26+ match on and older versions ignore.

#include <QByteArray>
#include <QList>
#include <QString>

class MappingLine
{
public:
    // The longest text of a line, in bytes (SDL's tools and this program keep mapping texts in
    // 1024-byte buffers); text() cuts a longer one here.
    static constexpr int kMaxBytes = 1023;

    QByteArray guid;     // as written: 32 hex digits (SDL's may hold a CRC in digits 5-8), or "xinput"
    QByteArray name;     // as written; never holds a comma
    QByteArray platform; // the value of the platform: field; empty when the line has none
    quint16 crc = 0;     // the line's CRC (GUID digits 5-8 first, as SDL takes them, else crc:); 0: none
    QList<QByteArray> bindings;    // the "key:value" fields that bind a control, in order
    QList<QByteArray> otherFields; // every other field (hint:, sdk>=:, text without a colon), in order

    // A line of this platform (SDL_GetPlatform()) for a pad whose GUID text is guid and whose CRC is crc,
    // named name, with the given binding fields.
    static MappingLine forPad(const QByteArray& guid, quint16 crc, const QByteArray& name,
                              const QList<QByteArray>& bindings);

    // Reads one line (without its line end) into *line. Returns false and leaves *line untouched when
    // the line is malformed; errorMessage (if given) then says why in a few words fit for the log:
    // "its GUID "…" is not 32 hex digits" (nor "xinput", SDL's name for every XInput device), "it has no
    // name", "its field "crc:2b3" is not crc: and 4 hex digits", "it has more than one crc: field", "it
    // has more than one platform: field". Otherwise errorMessage is cleared. Empty fields (a final comma)
    // are dropped; every other field is kept as written.
    static bool parse(const QByteArray& text, MappingLine* line, QString* errorMessage = nullptr);

    // The GUID field of text (a line, as parse takes it) as written: the bytes before its first comma, all
    // of text when it has none. A quick look at whose line it is, without taking the line apart.
    static QByteArray guidField(const QByteArray& text);

    // The name field of text as written, like guidField: the bytes from the first comma to the next one
    // (or to the end); null when text has no comma.
    static QByteArray nameField(const QByteArray& text);

    // Whether a field after the name may make parse refuse text: text holds "crc:" or more than one
    // "platform:" (anywhere, to stay quick). When false, parse reads text as soon as its GUID is well
    // formed and it has a name.
    static bool mayRefuseAfterName(const QByteArray& text);

    // The portable form: the GUID with digits 5-8 set to 0000 where they hold a CRC, the name, then
    // "platform:<platform>" (when set), "crc:<cccc>" in lower-case hex (when crc is not 0), the bindings
    // and the other fields, each followed by ",". Cut to kMaxBytes (see fitted).
    QByteArray text() const;

    // text cut to at most kMaxBytes bytes without splitting a UTF-8 character.
    static QByteArray fitted(const QByteArray& text);

    // The lines of a file's (or a variable's) text: split at "\n", one "\r" before it dropped (Windows
    // line ends), a final "\n" ending the last line rather than starting an empty one. Empty lines stay.
    static QList<QByteArray> splitLines(const QByteArray& text);

    // True for a line that holds no mapping: blank, or a comment ("#" after optional blanks).
    static bool isBlankOrComment(const QByteArray& line);

    // Why SDL's file loader (SDL_GameControllerAddMappingsFromRW) would not add line on this platform,
    // in a few words fit for the log ("it has no platform: field", "it is for Windows, not Linux", or
    // why it cannot be read, see parse); empty when SDL adds it, and for blank lines and comments, which
    // SDL passes over by design.
    static QString whySdlSkips(const QByteArray& line);

    // True for 32 hexadecimal digits.
    static bool isGuidText(const QByteArray& text);

    // The CRC in digits 5-8 of a GUID text (bytes 2-3, little-endian); 0 for a malformed GUID and for a
    // GUID whose first two bytes (the bus) mark a form without a CRC, as SDL reads it.
    static quint16 guidCrc(const QByteArray& guidText);

    // The GUID text with digits 5-8 set to 0000 (where they hold a CRC) and in lower case; a malformed
    // GUID is returned as it is.
    static QByteArray portableGuid(const QByteArray& guidText);
};

#endif
