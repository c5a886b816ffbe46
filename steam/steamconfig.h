#ifndef STEAMCONFIG_H
#define STEAMCONFIG_H
// Steam's installation configuration (config/config.vdf, KeyValues text) as bytes: reads the mapping
// lines of its "SDL_GamepadBind" key and makes new bytes in which only that key's value differs.
//
// What is read: keys and values in double quotes (with the escapes \", \\, \t and \n; any other
// backslash pair is kept as it stands) or bare (a run without blanks, quotes or braces), blocks in
// braces, "//" comments to the end of the line, a byte order mark, and platform conditions in brackets
// ("[$LINUX]"), which are skipped. Keys are compared without regard to case, as Steam does. The root
// block is the first top-level key "InstallConfigStore"; "SDL_GamepadBind" is read directly in it (the
// first such key, the one Steam reads). Everything else is kept as bytes, never rewritten.

#include "portablemapping.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Steam's configuration is far smaller; anything bigger is not one.
const qint64 kMaxSteamConfigSize = 64 * 1024 * 1024;

class SteamConfig
{
public:
    // Reads bytes. When they are not a configuration this program can edit safely (over
    // kMaxSteamConfigSize, a NUL byte, unbalanced braces or quotes, a key without a value, no
    // "InstallConfigStore" block, "SDL_GamepadBind" holding a block), the result is not valid and
    // errorString() says why, with the line where it is.
    explicit SteamConfig(const QByteArray& bytes);

    bool isValid() const { return m_errorString.isEmpty(); }
    QString errorString() const { return m_errorString; }
    const QByteArray& bytes() const { return m_bytes; }

    // True when the root block holds "SDL_GamepadBind".
    bool hasGamepadBind() const { return m_valueBegin >= 0; }

    // The lines of "SDL_GamepadBind" with escapes undone and blanks around them removed; line breaks
    // are real ones and the two characters \n. Empty lines and comments ("#") are left out.
    QList<QByteArray> gamepadBindLines() const;

    // The configuration with line in "SDL_GamepadBind": the pad's lines (isPadLine) give way to it,
    // the first where it stood, the others taken out with their line break; without one it is
    // appended on a line of its own. The other lines stay byte for byte and in order, and so does
    // everything outside the value. A missing key is added as the root block's last entry, in Steam's
    // layout (a tab before the key, two between key and value). The new line is written with escapes,
    // line breaks as real ones. Empty when this configuration is not valid or line is not fit to be
    // written (lineProblem); errorMessage then says why.
    QByteArray withPadLine(const PadIdentity& pad, const QByteArray& line,
                           QString* errorMessage = nullptr) const;

    // The configuration without the pad's lines in "SDL_GamepadBind", each taken out with its line
    // break; everything else byte for byte (the bytes unchanged when it holds none). Empty when this
    // configuration is not valid.
    QByteArray withoutPad(const PadIdentity& pad) const;

    // Why line cannot go into the configuration as pad's mapping (empty, a control character, not
    // pad's own line: isPadLine); "" when it can.
    static QString lineProblem(const PadIdentity& pad, const QByteArray& line);

    // text as a KeyValues quoted value holds it (\ and " escaped), without the quotes.
    static QByteArray escaped(const QByteArray& text);

private:
    // One line of the value as it stands in the file: [begin, end) its text, then its break's length
    // (0 for the last line, 1 for a real break, 2 for CR LF or \n).
    struct Line {
        int begin;
        int end;
        int breakLength;
    };
    QList<Line> valueLines() const;
    QByteArray decoded(int begin, int end) const;
    QByteArray valueWithoutPad(const PadIdentity& pad, const QByteArray* replacement, bool* found) const;
    QByteArray withValue(const QByteArray& value) const;
    QByteArray rootEntry(const QByteArray& value) const;
    void parse();
    void fail(int at, const QString& what);

    QByteArray m_bytes;
    QString m_errorString;
    int m_rootClose = -1;        // offset of the root block's closing brace
    int m_valueBegin = -1;       // the value of "SDL_GamepadBind": first byte of its text (after a quote)
    int m_valueEnd = -1;         // one past its text (before the closing quote)
    bool m_bValueQuoted = false; // a bare value gets quotes when it is rewritten
};

#endif
