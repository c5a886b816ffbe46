#include "userenvironmentformat.h"

#include <algorithm>

namespace
{
enum class State {
    PreKey,
    Key,
    PreValue,
    Value,
    ValueEscape,
    SingleQuote,
    DoubleQuote,
    DoubleQuoteEscape,
    Comment,
    CommentEscape
};

bool isLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || isLineBreak(c);
}

// The reader drops blanks between a name and its "=".
void trimName(QByteArray* name)
{
    while (!name->isEmpty() && isBlank(name->at(name->size() - 1)))
        name->chop(1);
}

// One systemd's reading: commentsContinue says whether a backslash at a comment's end carries the
// comment onto the next line (systemd 252 does, 257 does not).
QList<UserAssignment> read(const QByteArray& content, UserFileEnd* end, bool commentsContinue)
{
    QList<UserAssignment> found;
    State state = State::PreKey;
    int lineStart = 0;
    UserAssignment current{0, 0, QByteArray()};
    // Whether the value has taken a character: the reader ignores an assignment of nothing ("NAME=",
    // "NAME=\"\""), which then leaves an earlier one in force.
    bool taken = false;
    auto push = [&](int until) {
        current.end = until;
        trimName(&current.name);
        if (taken)
            found << current;
    };
    for (int i = 0; i < content.size(); ++i) {
        const char c = content.at(i);
        switch (state) {
        case State::PreKey:
            if (c == '#' || c == ';') {
                state = State::Comment;
            } else if (!isBlank(c)) {
                state = State::Key;
                current = {lineStart, 0, QByteArray(1, c)};
                taken = false;
            }
            break;
        case State::Key:
            if (isLineBreak(c))
                state = State::PreKey; // a line without "=" assigns nothing
            else if (c == '=')
                state = State::PreValue;
            else
                current.name += c;
            break;
        case State::PreValue:
        case State::Value:
            if (isLineBreak(c)) {
                // The line break ends it, a CR LF pair whole.
                push(c == '\r' && i + 1 < content.size() && content.at(i + 1) == '\n' ? i + 2 : i + 1);
                state = State::PreKey;
            } else if (c == '\\') {
                state = State::ValueEscape;
            } else if (state == State::PreValue && c == '\'') {
                state = State::SingleQuote;
            } else if (state == State::PreValue && c == '"') {
                state = State::DoubleQuote;
            } else if (state == State::Value || !isBlank(c)) {
                state = State::Value;
                taken = true;
            }
            break;
        case State::ValueEscape:
            // An escaped line break joins the next line; any other character is taken as it is.
            taken = taken || !isLineBreak(c);
            state = State::Value;
            break;
        case State::SingleQuote:
            if (c == '\'')
                state = State::PreValue;
            else
                taken = true;
            break;
        case State::DoubleQuote:
            if (c == '"')
                state = State::PreValue;
            else if (c == '\\')
                state = State::DoubleQuoteEscape;
            else
                taken = true;
            break;
        case State::DoubleQuoteEscape:
            taken = taken || c != '\n';
            state = State::DoubleQuote;
            break;
        case State::Comment:
            if (c == '\\' && commentsContinue)
                state = State::CommentEscape;
            else if (isLineBreak(c))
                state = State::PreKey;
            break;
        case State::CommentEscape:
            state = State::Comment;
            break;
        }
        if (isLineBreak(c))
            lineStart = i + 1;
    }
    const bool inValue = state == State::PreValue || state == State::Value || state == State::ValueEscape;
    const bool quoted =
        state == State::SingleQuote || state == State::DoubleQuote || state == State::DoubleQuoteEscape;
    // The reader takes an assignment that the file's end cuts short all the same.
    if (inValue || quoted)
        push(int(content.size()));
    if (end) {
        const bool afterBreak = content.isEmpty() || isLineBreak(content.at(content.size() - 1));
        if (quoted)
            *end = UserFileEnd::InQuotedValue;
        else if (state == State::ValueEscape || state == State::CommentEscape ||
                 (afterBreak && (state == State::Value || state == State::Comment)))
            *end = UserFileEnd::Continued;
        else if (afterBreak)
            *end = UserFileEnd::Fresh;
        else
            *end = UserFileEnd::InLine;
    }
    return found;
}
} // namespace

QList<UserAssignment> userAssignments(const QByteArray& content, UserFileEnd* end)
{
    UserFileEnd carried = UserFileEnd::Fresh, ended = UserFileEnd::Fresh;
    QList<UserAssignment> found = read(content, &carried, true);
    // Both readings count: an assignment for either systemd, and the end that asks most of a new line.
    for (const UserAssignment& assignment : read(content, &ended, false)) {
        auto same = [&](const UserAssignment& a) {
            return a.begin == assignment.begin && a.end == assignment.end && a.name == assignment.name;
        };
        if (std::none_of(found.begin(), found.end(), same))
            found << assignment;
    }
    std::sort(found.begin(), found.end(),
              [](const UserAssignment& a, const UserAssignment& b) { return a.begin < b.begin; });
    if (end)
        *end = std::max(carried, ended);
    return found;
}
