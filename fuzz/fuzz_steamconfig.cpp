// Fuzz target for reading and editing Steam's config.vdf (SteamConfig): whatever the bytes, no crash;
// a file that is refused is refused by both edits; otherwise an edit changes nothing but the value of
// the root's first "SDL_GamepadBind" (or, when there is none, adds that key and its value just before
// the root block's closing brace), its lines read back as expected (the pad's first line replaced by
// the new one and its other lines gone, or the new line last; for a removal, the pad's lines gone), and
// the same edit again changes nothing. "Changes nothing else" is checked against a tokenizer of its
// own below, written apart from the one under test.
//
// Input format: flags byte (bit 0: remove instead of add; bits 1-2: which CRCs the pad has), name
// length byte, that many bytes of the pad's name (its new line is <GUID>,<name>,platform:Linux,crc:..),
// then the file content (all the rest).

#include "fuzzsupport.h"
#include "mappingline.h"
#include "portablemapping.h"
#include "steamconfig.h"

#include <QByteArray>
#include <QList>

#include <string>
#include <vector>

namespace
{

const QByteArray kGuid = "030000005e0400008e02000010010000";

std::string str(const QByteArray& bytes)
{
    return printableBytes(bytes.toStdString());
}

// The file as tokens, each with the bytes before it (blanks, comments, conditions): enough to tell
// that two files differ only in one token, or only by an entry put in before one brace.
struct Piece {
    QByteArray gap;
    QByteArray token;
    int depth; // of the token; a closing brace has the depth of the block it closes
};

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<Piece> pieces(const QByteArray& b)
{
    std::vector<Piece> out;
    int i = 0, gapStart = 0, depth = 0;
    const int n = b.size();
    if (b.startsWith("\xef\xbb\xbf"))
        i = 3;
    while (true) {
        if (i < n && blank(b[i])) {
            ++i;
        } else if (i + 1 < n && b[i] == '/' && b[i + 1] == '/') {
            while (i < n && b[i] != '\n')
                ++i;
        } else if (i < n && b[i] == '[') {
            while (i < n && b[i] != ']')
                ++i;
            ++i;
        } else {
            if (i >= n)
                break;
            int end = i + 1;
            if (b[i] == '"') {
                while (end < n && b[end] != '"')
                    end += b[end] == '\\' ? 2 : 1;
                ++end;
            } else if (b[i] != '{' && b[i] != '}') {
                while (end < n && !blank(b[end]) && b[end] != '"' && b[end] != '{' && b[end] != '}')
                    ++end;
            }
            if (b[i] == '}')
                --depth;
            out.push_back({b.mid(gapStart, i - gapStart), b.mid(i, end - i), depth});
            if (b[i] == '{')
                ++depth;
            i = gapStart = end;
        }
    }
    out.push_back({b.mid(gapStart), QByteArray(), depth});
    return out;
}

QByteArray unquoted(const QByteArray& token)
{
    return token.startsWith('"') ? token.mid(1, token.size() - 2) : token;
}

// Index of the value of the root's first SDL_GamepadBind (-1 when none) and of the root's closing brace.
void locate(const std::vector<Piece>& p, int* value, int* rootClose)
{
    *value = *rootClose = -1;
    bool expectKey = true, inRoot = false, rootSeen = false;
    int key = -1;
    for (int i = 0; i + 1 < int(p.size()) && *rootClose < 0; ++i) {
        const QByteArray& token = p[i].token;
        if (token == "{") {
            if (p[i].depth == 0 && !rootSeen && unquoted(p[key].token).toLower() == "installconfigstore")
                rootSeen = inRoot = true;
            expectKey = true;
        } else if (token == "}") {
            if (p[i].depth == 0 && inRoot)
                *rootClose = i;
            expectKey = true;
        } else if (expectKey) {
            key = i;
            expectKey = false;
        } else {
            if (inRoot && p[i].depth == 1 && *value < 0 &&
                unquoted(p[key].token).toLower() == "sdl_gamepadbind")
                *value = i;
            expectKey = true;
        }
    }
}

// Checks that after differs from before only in the value of the root's SDL_GamepadBind, or by that
// key added before the root's closing brace.
void checkOnlyValueChanged(const QByteArray& before, const QByteArray& after)
{
    const std::vector<Piece> a = pieces(before), b = pieces(after);
    int valueA, closeA, valueB, closeB;
    locate(a, &valueA, &closeA);
    locate(b, &valueB, &closeB);
    FUZZ_CHECK(closeA >= 0 && closeB >= 0, "no root block found in\n  %s\nor\n  %s", str(before).c_str(),
               str(after).c_str());
    if (valueA >= 0) {
        FUZZ_CHECK(a.size() == b.size() && valueA == valueB, "the tokens changed:\n  %s\nbecame\n  %s",
                   str(before).c_str(), str(after).c_str());
        for (size_t i = 0; i < a.size(); ++i)
            FUZZ_CHECK(a[i].gap == b[i].gap && (int(i) == valueA || a[i].token == b[i].token),
                       "piece %zu changed: \"%s\" became \"%s\"", i, str(a[i].gap + a[i].token).c_str(),
                       str(b[i].gap + b[i].token).c_str());
        return;
    }
    // The key and its value went in before the root's closing brace.
    FUZZ_CHECK(b.size() == a.size() + 2 && valueB == closeA + 1 && closeB == closeA + 2,
               "the new key is not the root's last entry:\n  %s", str(after).c_str());
    for (int i = 0; i < int(a.size()); ++i) {
        const int j = i < closeA ? i : i + 2;
        FUZZ_CHECK(a[i].token == b[j].token && (i == closeA || a[i].gap == b[j].gap),
                   "piece %d changed: \"%s\" became \"%s\"", i, str(a[i].gap + a[i].token).c_str(),
                   str(b[j].gap + b[j].token).c_str());
    }
    FUZZ_CHECK(b[closeA].token == "\"SDL_GamepadBind\"" && b[closeA + 1].gap == "\t\t",
               "the new key is not in Steam's layout:\n  %s", str(after).c_str());
    // On a line of its own before the brace's line, or, when the brace follows something on its line,
    // between line breaks just before the brace.
    const QByteArray& g = a[closeA].gap;
    const QByteArray& k = b[closeA].gap;
    const QByteArray& c = b[closeA + 2].gap;
    bool placed = false;
    for (const QByteArray& eol : {QByteArray("\n"), QByteArray("\r\n")})
        placed = placed || (k == g + eol + "\t" && c == eol) ||
                 (k.endsWith("\n\t") && c.startsWith(eol) && k.left(k.size() - 1) + c.mid(eol.size()) == g);
    FUZZ_CHECK(placed, "the blanks before the root's brace changed: \"%s\" became \"%s\" and \"%s\"",
               str(g).c_str(), str(k).c_str(), str(c).c_str());
}

QList<QByteArray> expectedLines(const QList<QByteArray>& old, const PadIdentity& pad, const QByteArray* line)
{
    QList<QByteArray> lines;
    bool placed = false;
    for (const QByteArray& l : old) {
        if (!isPadLine(l, pad)) {
            lines.append(l);
        } else if (line && !placed) {
            lines.append(*line);
            placed = true;
        }
    }
    if (line && !placed)
        lines.append(*line);
    return lines;
}

QByteArray joined(const QList<QByteArray>& lines)
{
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + "|";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t flags = in.byte();
    const bool remove = flags & 1;
    const std::string name = in.bytes(in.byte());
    const QByteArray content = QByteArray::fromStdString(in.rest());

    PadIdentity pad;
    pad.guid = kGuid;
    pad.crc = (flags & 2) ? 0x322b : 0;
    pad.sdlCrc = (flags & 4) ? 0xabcd : pad.crc;
    const QByteArray line =
        MappingLine::forPad(kGuid, pad.crc, QByteArray::fromStdString(name), {"a:b0"}).text();

    const SteamConfig config(content);
    const QByteArray added = config.withPadLine(pad, line);
    const QByteArray removed = config.withoutPad(pad);
    if (!config.isValid()) {
        FUZZ_CHECK(added.isEmpty() && removed.isEmpty() && !config.errorString().isEmpty(),
                   "a refused file was edited");
        return 0;
    }
    const QList<QByteArray> old = config.gamepadBindLines();

    const QByteArray edited = remove ? removed : added;
    if (!remove && !SteamConfig::lineProblem(pad, line).isEmpty()) {
        FUZZ_CHECK(added.isEmpty(), "a line unfit to be written was written: %s", str(line).c_str());
        return 0;
    }
    FUZZ_CHECK(!edited.isEmpty(), "a readable file gave no result");
    if (edited == content) {
        FUZZ_CHECK(joined(expectedLines(old, pad, remove ? nullptr : &line)) == joined(old),
                   "nothing was changed, but the lines had to");
        return 0;
    }
    checkOnlyValueChanged(content, edited);

    const SteamConfig after(edited);
    FUZZ_CHECK(after.isValid(), "the edit is not readable: %s\n  %s", qPrintable(after.errorString()),
               str(edited).c_str());
    const QByteArray expected = joined(expectedLines(old, pad, remove ? nullptr : &line));
    FUZZ_CHECK(joined(after.gamepadBindLines()) == expected, "the value reads back as\n  %s\nnot\n  %s",
               str(joined(after.gamepadBindLines())).c_str(), str(expected).c_str());
    FUZZ_CHECK((remove ? after.withoutPad(pad) : after.withPadLine(pad, line)) == edited,
               "the same edit again changed the file");
    return 0;
}
