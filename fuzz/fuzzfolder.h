#ifndef FUZZFOLDER_H
#define FUZZFOLDER_H
// A private folder for the file fuzz targets: made once under $TMPDIR (default /tmp), holding the
// files a target rewrites, and removed with everything in it when the program exits. Every failure of
// the folder itself stops the program (FUZZ_CHECK): it is the harness, not the code under test.

#include <string>
#include <vector>

class FuzzFolder
{
public:
    // Makes "<$TMPDIR or /tmp>/<prefix>XXXXXX" (mkdtemp) and arranges its removal at exit. Call once.
    static void create(const char* prefix);

    // The full path of name inside the folder.
    static std::string path(const std::string& name);
    // Replaces name's content with content, mode 0644.
    static void write(const std::string& name, const std::string& content);
    // name's whole content.
    static std::string read(const std::string& name);
    static bool exists(const std::string& name);
    static void remove(const std::string& name);
    // The names of everything in the folder, sorted (neither "." nor "..").
    static std::vector<std::string> entries();

private:
    static void removeAll();
};

#endif
