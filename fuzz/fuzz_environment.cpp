// Fuzz target for the environment file editor: random file contents and values, a set or a reset of
// SDL_GAMECONTROLLERCONFIG, and the line rule checked byte for byte: the result is the lines that do
// not assign the variable (blanks, optionally "export" and blanks, the name, "="), unchanged and in order,
// then (for a set) "SDL_GAMECONTROLLERCONFIG=<value>\n", with a "\n" supplied first when the last kept line
// lacks one. A value with a line break must be refused with the file unchanged; no temporary file may stay
// behind; a repeated edit changes nothing.
//
// Input format: flags byte (bit 0: reset instead of set), value length byte, that many value bytes,
// then the file content (all the rest). The editor takes the value as a C string, so the value ends at
// its first NUL byte, if any.

#include "environmentfile.h"
#include "fuzzfolder.h"
#include "fuzzsupport.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <regex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{

const char* const kName = "SDL_GAMECONTROLLERCONFIG";
const char* const kFile = "environment";

// The lines of content (each with its own "\n", the last one possibly without) that do not assign
// name, in order.
std::string linesWithout(const std::string& content, const std::string& name)
{
    // Written independently of the editor's scan; the name holds no character special to a regex.
    const std::regex assignment("^[ \t]*(export[ \t]+)?" + name + "=");
    std::string kept;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        end = end == std::string::npos ? content.size() : end + 1;
        const std::string line = content.substr(start, end - start);
        if (!std::regex_search(line, assignment))
            kept += line;
        start = end;
    }
    return kept;
}

bool edit(bool reset, const std::string& value, QString* error)
{
    const QString path = QFile::decodeName(QByteArray::fromStdString(FuzzFolder::path(kFile)));
    return reset ? resetSystemEnvVar(kName, path, error) : setSystemEnvVar(kName, value.c_str(), path, error);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzFolder::create("stickwell-fuzz-env-");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const bool reset = in.byte() & 1;
    const std::string rawValue = in.bytes(in.byte());
    const std::string content = in.rest();
    const std::string value = rawValue.substr(0, rawValue.find('\0'));

    FuzzFolder::write(kFile, content);
    QString error;
    const bool ok = edit(reset, value, &error);
    const std::string after = FuzzFolder::read(kFile);

    if (!reset && value.find('\n') != std::string::npos) {
        FUZZ_CHECK(!ok, "a value with a line break was written: %s", printableBytes(value).c_str());
        FUZZ_CHECK(after == content, "a refused edit changed the file");
    } else {
        FUZZ_CHECK(ok, "the edit failed: %s", error.toUtf8().constData());
        std::string expected = linesWithout(content, kName);
        if (!reset) {
            if (!expected.empty() && expected.back() != '\n')
                expected += '\n';
            expected += std::string(kName) + "=" + value + "\n";
        }
        FUZZ_CHECK(after == expected, "%s of \"%s\" on\n  %s\ngave\n  %s\nnot\n  %s", reset ? "reset" : "set",
                   printableBytes(value).c_str(), printableBytes(content).c_str(),
                   printableBytes(after).c_str(), printableBytes(expected).c_str());

        FUZZ_CHECK(edit(reset, value, &error), "the repeated edit failed: %s", error.toUtf8().constData());
        FUZZ_CHECK(FuzzFolder::read(kFile) == expected, "the repeated edit changed the file");
    }

    struct stat st;
    FUZZ_CHECK(::stat(FuzzFolder::path(kFile).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                   (st.st_mode & 07777) == 0644,
               "the file lost its mode: %o", unsigned(st.st_mode));
    const std::vector<std::string> names = FuzzFolder::entries();
    FUZZ_CHECK(names.size() == 1 && names[0] == kFile, "%zu entries left in the folder, first %s",
               names.size(), names.empty() ? "-" : names[0].c_str());
    return 0;
}
