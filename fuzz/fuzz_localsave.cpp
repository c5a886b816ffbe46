// Fuzz target for saving a new mapping into the local mapping file: random old content, GUID text and
// mapping. After the save the old lines that are kept are there unchanged and in order, the new
// mapping is the last line, and only lines headed by the GUID (but for digits 5-8, the name's CRC, and
// letter case) are gone; a line headed by the GUID itself without a crc: field always is. Refused
// saves (a GUID that is not 32 hex digits, a mapping with a line break) leave the file as it was (or
// absent). Nothing but the file may be left in the folder.
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

#include <algorithm>
#include <cctype>
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

bool isGuid(const std::string& text)
{
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) { return isxdigit(c); });
}

// Whether line is headed by guid but for digits 5-8 and letter case: only such a line may be the pad's.
bool headedByPad(const std::string& line, const std::string& guid)
{
    for (size_t i = 0; i < guid.size(); ++i)
        if ((i < 4 || i >= 8) && (i >= line.size() || tolower(line[i]) != tolower(guid[i])))
            return false;
    return line.size() == guid.size() || line[guid.size()] == ',';
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
        !isGuid(guid) || mapping.find('\n') != std::string::npos || mapping.find('\r') != std::string::npos;
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
        // The old lines in order, each kept or, if headed by the pad's GUID, maybe dropped.
        size_t kept = 0;
        const std::vector<std::string> oldLines = noFile ? std::vector<std::string>() : linesOf(old, true);
        for (const std::string& line : oldLines) {
            if (kept + 1 < lines.size() && lines[kept] == line) {
                FUZZ_CHECK(line.compare(0, guid.size() + 1, guid + ",") != 0 ||
                               line.find("crc:") != std::string::npos,
                           "the pad's own line was kept: %s", printableBytes(line).c_str());
                ++kept;
            } else {
                FUZZ_CHECK(headedByPad(line, guid), "GUID \"%s\", mapping \"%s\": line lost\n  %s\nold\n  %s",
                           printableBytes(guid).c_str(), printableBytes(mapping).c_str(),
                           printableBytes(line).c_str(), printableBytes(old).c_str());
            }
        }
        FUZZ_CHECK(kept + 1 == lines.size(), "the file holds lines that were not there: %s",
                   printableBytes(after).c_str());
        // Exactly those lines, each with "\n": nothing else is in the file.
        std::string joined;
        for (const std::string& line : lines)
            joined += line + "\n";
        FUZZ_CHECK(after == joined, "the file holds more than its lines: %s", printableBytes(after).c_str());
    }

    const std::vector<std::string> names = FuzzFolder::entries();
    const bool onlyFile = names.size() == 1 && names[0] == kFile;
    FUZZ_CHECK(onlyFile || (names.empty() && noFile && refused), "%zu entries left in the folder, first %s",
               names.size(), names.empty() ? "-" : names[0].c_str());
    return 0;
}
