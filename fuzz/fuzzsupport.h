#ifndef FUZZSUPPORT_H
#define FUZZSUPPORT_H
// What the fuzz targets share: a reader that turns the fuzzer's bytes into values, and a check that
// stops the program with a message (so libFuzzer, or the replay driver under CTest, sees a crash).
// Plain assert() would vanish in the optimised builds that fuzzing uses.

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

[[noreturn]] inline void fuzzFail(const char* file, int line, const char* condition, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

[[noreturn]] inline void fuzzFail(const char* file, int line, const char* condition, const char* format, ...)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n  ", file, line, condition);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    std::abort();
}

// Stops the program when condition is false, printing the condition and the printf-style message.
#define FUZZ_CHECK(condition, ...)                                                                           \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            fuzzFail(__FILE__, __LINE__, #condition, __VA_ARGS__);                                           \
    } while (0)

// bytes with everything but printable ASCII written as \xNN, for messages.
inline std::string printableBytes(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out += char(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        }
    }
    return out;
}

// Reads the fuzzer's input front to back. Past the end every read gives zeros (or nothing), so a
// decoder never has to test for a short input and every prefix of an input is itself a valid input.
class FuzzInput
{
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    size_t remaining() const { return m_size - m_pos; }

    // The next byte, or 0 past the end.
    uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }
    // The next two bytes as a little-endian signed 16-bit number (an SDL axis reading).
    int16_t int16()
    {
        const unsigned low = byte();
        const unsigned high = byte();
        return static_cast<int16_t>(static_cast<uint16_t>(low | (high << 8)));
    }
    // Up to count of the next bytes (fewer at the end).
    std::string bytes(size_t count)
    {
        if (count > remaining())
            count = remaining();
        std::string out(reinterpret_cast<const char*>(m_data + m_pos), count);
        m_pos += count;
        return out;
    }
    // Everything not read yet.
    std::string rest() { return bytes(remaining()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

#endif
