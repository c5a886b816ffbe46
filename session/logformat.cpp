#include "logformat.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

static char s_formatBuffer[FORMAT_BUFFER_SIZE];

// Drops a multi-byte UTF-8 sequence that the cut left incomplete at the end of text.
static void trimPartialUtf8(char* text, size_t length)
{
    size_t start = length;
    while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80)
        --start;
    if (start == 0)
        return;
    const unsigned char lead = static_cast<unsigned char>(text[start - 1]);
    size_t needed = 1;
    if ((lead & 0xE0) == 0xC0)
        needed = 2;
    else if ((lead & 0xF0) == 0xE0)
        needed = 3;
    else if ((lead & 0xF8) == 0xF0)
        needed = 4;
    if (lead >= 0x80 && length - (start - 1) < needed)
        text[start - 1] = '\0';
}

const char* formatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int wanted = vsnprintf(s_formatBuffer, sizeof s_formatBuffer, format, args);
    va_end(args);
    if (wanted < 0)
        s_formatBuffer[0] = '\0';
    else if (static_cast<size_t>(wanted) >= sizeof s_formatBuffer)
        trimPartialUtf8(s_formatBuffer, strlen(s_formatBuffer));
    return s_formatBuffer;
}
