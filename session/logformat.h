#ifndef LOGFORMAT_H
#define LOGFORMAT_H
// printf-style formatting into one shared buffer, for log lines and status texts.

enum { FORMAT_BUFFER_SIZE = 2048 };

// Formats into the process-wide 2048-byte buffer and returns it. Each call overwrites the previous
// result, so use it before the next call and never pass a result back in. A longer text is cut to
// fit (never past the buffer) at a UTF-8 character boundary. GUI thread only.
const char* formatText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

#endif
