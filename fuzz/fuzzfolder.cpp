#include "fuzzfolder.h"

#include "fuzzsupport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
std::string g_folder;
} // namespace

void FuzzFolder::create(const char* prefix)
{
    FUZZ_CHECK(g_folder.empty(), "the folder %s exists already", g_folder.c_str());
    const char* base = std::getenv("TMPDIR");
    const std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    FUZZ_CHECK(::mkdtemp(buffer.data()), "cannot make a folder from %s: %s", pattern.c_str(),
               std::strerror(errno));
    g_folder = buffer.data();
    std::atexit(removeAll);
}

std::string FuzzFolder::path(const std::string& name)
{
    return g_folder + "/" + name;
}

void FuzzFolder::write(const std::string& name, const std::string& content)
{
    const std::string file = path(name);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    FUZZ_CHECK(fd >= 0, "cannot create %s: %s", file.c_str(), std::strerror(errno));
    FUZZ_CHECK(::fchmod(fd, 0644) == 0, "cannot set the mode of %s", file.c_str());
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        FUZZ_CHECK(n > 0, "cannot write %s: %s", file.c_str(), std::strerror(errno));
        done += size_t(n);
    }
    ::close(fd);
}

std::string FuzzFolder::read(const std::string& name)
{
    const std::string file = path(name);
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    FUZZ_CHECK(fd >= 0, "cannot open %s: %s", file.c_str(), std::strerror(errno));
    std::string content;
    char chunk[65536];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
        content.append(chunk, size_t(n));
    FUZZ_CHECK(n == 0, "cannot read %s: %s", file.c_str(), std::strerror(errno));
    ::close(fd);
    return content;
}

bool FuzzFolder::exists(const std::string& name)
{
    struct stat st;
    return ::lstat(path(name).c_str(), &st) == 0;
}

void FuzzFolder::remove(const std::string& name)
{
    const std::string file = path(name);
    FUZZ_CHECK(::unlink(file.c_str()) == 0 || errno == ENOENT, "cannot remove %s", file.c_str());
}

std::vector<std::string> FuzzFolder::entries()
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(g_folder.c_str());
    FUZZ_CHECK(dir, "cannot list %s", g_folder.c_str());
    while (const dirent* entry = ::readdir(dir))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.push_back(entry->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

void FuzzFolder::removeAll()
{
    if (g_folder.empty())
        return;
    // Only plain files are ever made in it; whatever an edit left behind goes too.
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(g_folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.push_back(entry->d_name);
        ::closedir(dir);
    }
    for (const std::string& name : names)
        ::unlink(path(name).c_str());
    ::rmdir(g_folder.c_str());
    g_folder.clear();
}
