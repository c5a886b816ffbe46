#include "userenvironmentformat.h"

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
} // namespace

QList<UserAssignment> userAssignments(const QByteArray& content, UserFileEnd* end)
{
    QList<UserAssignment> found;
    State state = State::PreKey;
    int lineStart = 0;
    UserAssignment current{0, 0, QByteArray()};
    // Ends the current assignment with the line break at i (a CR LF pair whole).
    auto finish = [&](int i) {
        current.end = i + 1;
        if (content.at(i) == '\r' && i + 1 < content.size() && content.at(i + 1) == '\n')
            current.end = i + 2;
        while (!current.name.isEmpty() && isBlank(current.name.back()))
            current.name.chop(1);
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
                finish(i);
                state = State::PreKey;
            } else if (c == '\\') {
                state = State::ValueEscape;
            } else if (state == State::PreValue && c == '\'') {
                state = State::SingleQuote;
            } else if (state == State::PreValue && c == '"') {
                state = State::DoubleQuote;
            } else if (!isBlank(c)) {
                state = State::Value;
            }
            break;
        case State::ValueEscape:
            state = State::Value;
            break;
        case State::SingleQuote:
            if (c == '\'')
                state = State::PreValue;
            break;
        case State::DoubleQuote:
            if (c == '"')
                state = State::PreValue;
            else if (c == '\\')
                state = State::DoubleQuoteEscape;
            break;
        case State::DoubleQuoteEscape:
            state = State::DoubleQuote;
            break;
        case State::Comment:
            if (c == '\\')
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
    if (inValue || quoted) {
        current.end = int(content.size());
        while (!current.name.isEmpty() && isBlank(current.name.back()))
            current.name.chop(1);
        found << current;
    }
    if (end) {
        const bool afterBreak = content.isEmpty() || isLineBreak(content.back());
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
