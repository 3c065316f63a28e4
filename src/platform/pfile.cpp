// Disk file access: path normalising and case-insensitive component lookup.
#include "platform/pfile.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

static std::string NormalisePath(const char *path)
{
    std::string p = path ? path : "";
    for (char &c : p)
        if (c == '\\')
            c = '/';
    if (p.size() >= 2 && p[1] == ':' && ((p[0] >= 'a' && p[0] <= 'z') || (p[0] >= 'A' && p[0] <= 'Z')))
        p.erase(0, 2);
    return p;
}

static bool Exists(const std::string &p)
{
    struct stat st;
    return stat(p.c_str(), &st) == 0;
}

// Finds an entry of dir whose name equals name in any case; empty when none.
static std::string FindCaseless(const std::string &dir, const std::string &name)
{
    DIR *d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return "";
    std::string found;
    while (struct dirent *e = readdir(d)) {
        if (strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

std::string PlatPathResolve(const char *path)
{
    std::string p = NormalisePath(path);
    if (p.empty() || Exists(p))
        return p;

    // Walk the components, keeping each as written when it exists and
    // replacing it by a case-insensitive match otherwise.
    std::string out;
    size_t pos = 0;
    if (p[0] == '/') {
        out = "/";
        pos = 1;
    }
    while (pos <= p.size()) {
        size_t slash = p.find('/', pos);
        std::string comp = p.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        if (!comp.empty()) {
            std::string candidate = out + comp;
            if (comp != "." && comp != ".." && !Exists(candidate)) {
                std::string dir = out.empty() ? std::string(".") : out;
                std::string match = FindCaseless(dir, comp);
                if (!match.empty())
                    candidate = out + match;
            }
            out = candidate;
        }
        if (slash == std::string::npos)
            break;
        out += '/';
        pos = slash + 1;
    }
    return out;
}

FILE *PlatFileOpen(const char *path, const char *mode)
{
    std::string p = PlatPathResolve(path);
    if (p.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    FILE *f = fopen(p.c_str(), mode);
    if (!f)
        return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        fclose(f);
        errno = EISDIR;
        return nullptr;
    }
    return f;
}

int PlatIsDirectory(const char *path)
{
    struct stat st;
    std::string p = PlatPathResolve(path);
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int PlatChangeDir(const char *path)
{
    std::string p = PlatPathResolve(path);
    return chdir(p.empty() ? "." : p.c_str()) == 0 ? 0 : -1;
}
