#include "steamconfig.h"

#include "mappingline.h"

#include <QtGlobal>

namespace
{
const char kRootKey[] = "InstallConfigStore";
const char kBindKey[] = "SDL_GamepadBind";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// One token of KeyValues text. For text, [begin, end) is what stands between the quotes (or the bare
// run); at is where the token starts.
struct Token {
    enum Kind { Text, Open, Close, End, Error } kind;
    int at;
    int begin;
    int end;
    bool quoted;
};

class Lexer
{
public:
    explicit Lexer(const QByteArray& bytes) : m_bytes(bytes), m_size(bytes.size()) {}

    // The next token; Error with at where the unclosed quote or bracket starts.
    Token next()
    {
        for (;;) {
            skipBlanksAndComments();
            if (m_pos >= m_size)
                return {Token::End, m_pos, m_pos, m_pos, false};
            const int at = m_pos;
            const char c = m_bytes.at(m_pos);
            if (c == '{' || c == '}') {
                ++m_pos;
                return {c == '{' ? Token::Open : Token::Close, at, at, at + 1, false};
            }
            if (c == '[') {
                // A platform condition: Steam weighs it, the edit only steps over it.
                const int close = m_bytes.indexOf(']', at);
                if (close < 0)
                    return {Token::Error, at, at, at, false};
                m_pos = close + 1;
                continue;
            }
            if (c == '"') {
                int i = at + 1;
                while (i < m_size && m_bytes.at(i) != '"')
                    i += m_bytes.at(i) == '\\' ? 2 : 1;
                if (i >= m_size)
                    return {Token::Error, at, at, at, false};
                m_pos = i + 1;
                return {Token::Text, at, at + 1, i, true};
            }
            int i = at;
            while (i < m_size && !isBlank(m_bytes.at(i)) && m_bytes.at(i) != '"' && m_bytes.at(i) != '{' &&
                   m_bytes.at(i) != '}')
                ++i;
            m_pos = i;
            return {Token::Text, at, at, i, false};
        }
    }

private:
    void skipBlanksAndComments()
    {
        while (m_pos < m_size) {
            const char c = m_bytes.at(m_pos);
            if (isBlank(c)) {
                ++m_pos;
            } else if (c == '/' && m_pos + 1 < m_size && m_bytes.at(m_pos + 1) == '/') {
                const int eol = m_bytes.indexOf('\n', m_pos);
                m_pos = eol < 0 ? m_size : eol + 1;
            } else if (m_pos == 0 && m_bytes.startsWith("\xef\xbb\xbf")) {
                m_pos = 3; // a byte order mark
            } else {
                return;
            }
        }
    }

    const QByteArray& m_bytes;
    const int m_size;
    int m_pos = 0;
};

// KeyValues' own escapes undone; a backslash pair it does not know stays as it is.
QByteArray unescape(const QByteArray& bytes, int begin, int end, bool quoted)
{
    if (!quoted)
        return bytes.mid(begin, end - begin);
    QByteArray out;
    out.reserve(end - begin);
    for (int i = begin; i < end; ++i) {
        const char c = bytes.at(i);
        if (c != '\\' || i + 1 >= end) {
            out += c;
            continue;
        }
        const char e = bytes.at(++i);
        if (e == 'n')
            out += '\n';
        else if (e == 't')
            out += '\t';
        else if (e == '\\' || e == '"')
            out += e;
        else
            out += '\\' + QByteArray(1, e);
    }
    return out;
}

bool sameKey(const QByteArray& bytes, const Token& token, const char* key)
{
    return qstricmp(unescape(bytes, token.begin, token.end, token.quoted).constData(), key) == 0;
}

int lineNumber(const QByteArray& bytes, int at)
{
    return int(bytes.left(at).count('\n')) + 1;
}

bool holdsControlCharacter(const QByteArray& text)
{
    for (const char c : text)
        if (uchar(c) < 0x20 || uchar(c) == 0x7f)
            return true;
    return false;
}
} // namespace

SteamConfig::SteamConfig(const QByteArray& bytes) : m_bytes(bytes)
{
    if (m_bytes.size() > kMaxSteamConfigSize)
        m_errorString = QStringLiteral("It is larger than %1 MiB, far more than a Steam configuration holds")
                            .arg(kMaxSteamConfigSize / (1024 * 1024));
    else if (m_bytes.contains('\0'))
        fail(int(m_bytes.indexOf('\0')), QStringLiteral("a NUL byte, so the file is damaged"));
    else
        parse();
}

void SteamConfig::fail(int at, const QString& what)
{
    m_errorString = QStringLiteral("It is not a readable KeyValues file: line %1 has %2")
                        .arg(lineNumber(m_bytes, at))
                        .arg(what);
}

void SteamConfig::parse()
{
    Lexer lexer(m_bytes);
    int depth = 0;
    int outerOpen = -1;  // the top-level block that is open, for the message when it never closes
    bool inRoot = false; // depth 1 is the root block
    bool rootSeen = false;
    bool expectValue = false;
    Token key = {};
    for (;;) {
        const Token token = lexer.next();
        switch (token.kind) {
        case Token::Error:
            fail(token.at, m_bytes.at(token.at) == '"' ? QStringLiteral("a quote that is never closed")
                                                       : QStringLiteral("a [ that is never closed"));
            return;
        case Token::End:
            if (expectValue)
                fail(key.at, QStringLiteral("a key without a value"));
            else if (depth > 0)
                fail(outerOpen, QStringLiteral("a brace that is never closed"));
            else if (!rootSeen)
                m_errorString = QStringLiteral("It has no \"%1\" block, so it is not Steam's configuration")
                                    .arg(QLatin1String(kRootKey));
            return;
        case Token::Close:
            if (expectValue) {
                fail(key.at, QStringLiteral("a key without a value"));
                return;
            }
            if (depth == 0) {
                fail(token.at, QStringLiteral("a closing brace without an opening one"));
                return;
            }
            if (--depth == 0 && inRoot) {
                inRoot = false;
                m_rootClose = token.at;
            }
            break;
        case Token::Open:
            if (!expectValue) {
                fail(token.at, QStringLiteral("a block without a key"));
                return;
            }
            if (depth == 0) {
                outerOpen = token.at;
                if (!rootSeen && sameKey(m_bytes, key, kRootKey))
                    rootSeen = inRoot = true;
            } else if (depth == 1 && inRoot && m_valueBegin < 0 && sameKey(m_bytes, key, kBindKey)) {
                fail(key.at, QStringLiteral("\"%1\" holding a block instead of mapping lines")
                                 .arg(QLatin1String(kBindKey)));
                return;
            }
            ++depth;
            expectValue = false;
            break;
        case Token::Text:
            if (!expectValue) {
                key = token;
                expectValue = true;
                break;
            }
            if (depth == 1 && inRoot && m_valueBegin < 0 && sameKey(m_bytes, key, kBindKey)) {
                m_valueBegin = token.begin;
                m_valueEnd = token.end;
                m_bValueQuoted = token.quoted;
            }
            expectValue = false;
            break;
        }
    }
}

QList<SteamConfig::Line> SteamConfig::valueLines() const
{
    QList<Line> lines;
    int start = m_valueBegin;
    for (int i = m_valueBegin; i < m_valueEnd;) {
        const char c = m_bytes.at(i);
        int breakLength = 0;
        if (c == '\n')
            breakLength = 1;
        else if (c == '\r' && i + 1 < m_valueEnd && m_bytes.at(i + 1) == '\n')
            breakLength = 2;
        else if (c == '\\' && m_bValueQuoted && i + 1 < m_valueEnd && m_bytes.at(i + 1) == 'n')
            breakLength = 2;
        if (breakLength) {
            lines.append({start, i, breakLength});
            i += breakLength;
            start = i;
        } else {
            i += c == '\\' && m_bValueQuoted ? 2 : 1;
        }
    }
    lines.append({start, m_valueEnd, 0});
    return lines;
}

QByteArray SteamConfig::decoded(int begin, int end) const
{
    return unescape(m_bytes, begin, end, m_bValueQuoted).trimmed();
}

QList<QByteArray> SteamConfig::gamepadBindLines() const
{
    QList<QByteArray> lines;
    if (!isValid() || !hasGamepadBind())
        return lines;
    for (const Line& line : valueLines()) {
        const QByteArray text = decoded(line.begin, line.end);
        if (!MappingLine::isBlankOrComment(text))
            lines.append(text);
    }
    return lines;
}

QByteArray SteamConfig::escaped(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out;
}

QByteArray SteamConfig::withValue(const QByteArray& value) const
{
    QByteArray out = m_bytes;
    out.replace(m_valueBegin, m_valueEnd - m_valueBegin, m_bValueQuoted ? value : '"' + value + '"');
    return out;
}

QByteArray SteamConfig::rootEntry(const QByteArray& value) const
{
    const int firstBreak = m_bytes.indexOf('\n');
    const QByteArray eol = firstBreak > 0 && m_bytes.at(firstBreak - 1) == '\r' ? "\r\n" : "\n";
    const QByteArray entry = "\t\"" + QByteArray(kBindKey) + "\"\t\t\"" + value + '"' + eol;
    // Steam puts the closing brace on a line of its own: the entry goes on the line before it.
    int lineStart = m_rootClose;
    while (lineStart > 0 && (m_bytes.at(lineStart - 1) == ' ' || m_bytes.at(lineStart - 1) == '\t'))
        --lineStart;
    QByteArray out = m_bytes;
    if (lineStart == 0 || m_bytes.at(lineStart - 1) == '\n')
        out.insert(lineStart, entry);
    else
        out.insert(m_rootClose, eol + entry);
    return out;
}

QString SteamConfig::lineProblem(const PadIdentity& pad, const QByteArray& line)
{
    if (line.isEmpty())
        return QStringLiteral("The mapping is empty");
    if (holdsControlCharacter(line))
        return QStringLiteral("The mapping holds a line break or another control character");
    if (!isPadLine(line, pad))
        return QStringLiteral("The mapping is not the selected gamepad's");
    return QString();
}

QByteArray SteamConfig::withPadLine(const PadIdentity& pad, const QByteArray& line,
                                    QString* errorMessage) const
{
    QString why = lineProblem(pad, line);
    if (why.isEmpty())
        why = m_errorString;
    if (errorMessage)
        *errorMessage = why;
    if (!why.isEmpty())
        return QByteArray();

    const QByteArray text = escaped(line);
    if (!hasGamepadBind())
        return rootEntry(text);

    bool found = false;
    QByteArray value = valueWithoutPad(pad, &text, &found);
    if (!found) {
        // Appended on a line of its own; a value that ends with a break keeps ending with one.
        const Line last = valueLines().last();
        if (value.isEmpty())
            value = text;
        else if (last.begin == last.end)
            value += text + '\n';
        else
            value += '\n' + text;
    }
    return withValue(value);
}

QByteArray SteamConfig::withoutPad(const PadIdentity& pad) const
{
    if (!isValid())
        return QByteArray();
    bool found = false;
    const QByteArray value = hasGamepadBind() ? valueWithoutPad(pad, nullptr, &found) : QByteArray();
    return found ? withValue(value) : m_bytes;
}

QByteArray SteamConfig::valueWithoutPad(const PadIdentity& pad, const QByteArray* replacement,
                                        bool* found) const
{
    QByteArray value;
    bool keptAny = false;
    int keptBreak = 0; // the break of the last line kept, taken off again when the value's last line goes
    *found = false;
    for (const Line& l : valueLines()) {
        const bool own = isPadLine(decoded(l.begin, l.end), pad);
        if (own && (*found || !replacement)) {
            if (l.breakLength == 0 && keptAny)
                value.chop(keptBreak);
            *found = true;
            continue;
        }
        // A bare value is written in quotes, where its backslashes would turn into escapes.
        const QByteArray kept = m_bytes.mid(l.begin, l.end - l.begin);
        value += own ? *replacement : m_bValueQuoted ? kept : escaped(kept);
        value += m_bytes.mid(l.end, l.breakLength);
        keptBreak = l.breakLength;
        keptAny = true;
        *found = *found || own;
    }
    return value;
}
