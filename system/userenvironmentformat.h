#ifndef USERENVIRONMENTFORMAT_H
#define USERENVIRONMENTFORMAT_H
// The per-user environment file as systemd's environment.d reader takes it apart (checked against its
// generator): which bytes make up an assignment of which variable. Internal to this folder.

#include <QByteArray>
#include <QList>

// One assignment: the bytes [begin, end) it takes up, from the start of the line its name stands on
// to the line break that ends it (continuation lines and quoted line breaks included; a CR LF pair
// whole), and the variable's name.
struct UserAssignment {
    int begin;
    int end;
    QByteArray name;
};

// Where the reader stands once content is read, as seen by a line appended after it; later values ask
// more of an appended line.
enum class UserFileEnd {
    Fresh,         // between lines: an appended line is a line of its own
    Continued,     // a backslash (in a value or a comment) carries the reader onto the appended line
    InLine,        // in a line that lacks its line break
    InQuotedValue, // in a quoted value that is never closed: a line break does not end it
};

// Every assignment in content, in order of their beginnings. Like systemd's reader: blanks before the
// name and around "=" are allowed; a line whose first non-blank is "#" or ";" is a comment; a backslash
// at a line's end joins the next line to a value (and, for systemd 252 but not 257, to a comment: an
// assignment in either reading is listed, so two may overlap, and end is the later of both readings); a
// quoted value runs until its closing quote, over line breaks; a CR ends a line as LF does; an assignment of
// nothing ("NAME=", "NAME=''") is ignored. Names are taken as written ("export NAME", which systemd rejects,
// is not NAME). end (if given) says where the reader stands after the last byte.
QList<UserAssignment> userAssignments(const QByteArray& content, UserFileEnd* end = nullptr);

#endif
