// Fuzz target for saving a new mapping into the local mapping file: random old content, GUID text and
// mapping. After the save every line of the old content that does not contain the GUID is there,
// unchanged and in order, no line that contains it is left, and the new mapping is the last line.
// Refused saves (no GUID, a mapping with a line break) leave the file as it was (or absent). Nothing
// but the file may be left in the folder.
//
// Lines are what the save reads: the pieces between "\n"s, a final "\n" ending the last line rather
// than starting an empty one, and a "\r" before the "\n" belonging to the line ending. The save writes
// each kept line back with "\n" alone (CRLF files come out with LF endings).
//
// Input format: GUID length byte (bit 7: no file exists yet; low 6 bits: length), that many GUID bytes,
// mapping length byte, that many mapping bytes, then the old file content (all the rest).

#include "fuzzfolder.h"
#include "fuzzsupport.h"
#include "localmappingfile.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>
#include <vector>

namespace
{

const char* const kFile = "gamecontrollerdb.local.txt";

// The lines of content: the pieces between "\n"s (a final "\n" ends the last line, it starts no
// empty one), with one "\r" before the "\n" taken as part of the line ending when crlf is set.
std::vector<std::string> linesOf(const std::string& content, bool crlf)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        if (crlf && !line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzFolder::create("stickwell-fuzz-local-");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t head = in.byte();
    const bool noFile = head & 0x80;
    const std::string guid = in.bytes(head & 0x3F);
    const std::string mapping = in.bytes(in.byte());
    const std::string old = in.rest();

    if (noFile)
        FuzzFolder::remove(kFile);
    else
        FuzzFolder::write(kFile, old);

    QString error;
    const bool ok =
        saveLocalMapping(QFile::decodeName(QByteArray::fromStdString(FuzzFolder::path(kFile))),
                         QByteArray::fromStdString(guid), QByteArray::fromStdString(mapping), &error);

    const bool refused =
        guid.empty() || mapping.find('\n') != std::string::npos || mapping.find('\r') != std::string::npos;
    if (refused) {
        FUZZ_CHECK(!ok, "saved with GUID \"%s\" and mapping \"%s\"", printableBytes(guid).c_str(),
                   printableBytes(mapping).c_str());
        if (noFile)
            FUZZ_CHECK(!FuzzFolder::exists(kFile), "a refused save created the file");
        else
            FUZZ_CHECK(FuzzFolder::read(kFile) == old, "a refused save changed the file");
    } else {
        FUZZ_CHECK(ok, "the save failed: %s", error.toUtf8().constData());
        const std::string after = FuzzFolder::read(kFile);
        FUZZ_CHECK(!after.empty() && after.back() == '\n', "the file does not end with a line break");
        // Written with "\n" endings only: a kept line is put back exactly as it was read.
        const std::vector<std::string> lines = linesOf(after, false);
        FUZZ_CHECK(!lines.empty() && lines.back() == mapping, "the last line is not the mapping: %s",
                   printableBytes(after).c_str());
        for (size_t i = 0; i + 1 < lines.size(); ++i)
            FUZZ_CHECK(lines[i].find(guid) == std::string::npos, "line %zu still holds the GUID: %s", i,
                       printableBytes(lines[i]).c_str());

        std::vector<std::string> expected;
        if (!noFile)
            for (const std::string& line : linesOf(old, true))
                if (line.find(guid) == std::string::npos)
                    expected.push_back(line);
        expected.push_back(mapping);
        FUZZ_CHECK(lines == expected, "GUID \"%s\", mapping \"%s\", old\n  %s\ngave\n  %s",
                   printableBytes(guid).c_str(), printableBytes(mapping).c_str(), printableBytes(old).c_str(),
                   printableBytes(after).c_str());
        // Exactly those lines, each with "\n": nothing else is in the file.
        std::string joined;
        for (const std::string& line : expected)
            joined += line + "\n";
        FUZZ_CHECK(after == joined, "the file holds more than its lines: %s", printableBytes(after).c_str());
    }

    const std::vector<std::string> names = FuzzFolder::entries();
    const bool onlyFile = names.size() == 1 && names[0] == kFile;
    FUZZ_CHECK(onlyFile || (names.empty() && noFile && refused), "%zu entries left in the folder, first %s",
               names.size(), names.empty() ? "-" : names[0].c_str());
    return 0;
}
