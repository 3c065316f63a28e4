// Test kit: definition texts for the text-file reader, on disk or as memory virtual files.
#include "support/deftext.h"

#include <filesystem>

#include "support/testkit.h"

std::string DefText(std::initializer_list<std::string> lines, const char *eol)
{
    std::string out;
    for (const std::string &l : lines)
        out += l + eol;
    return out;
}

std::string DefFileWrite(const std::string &path, const std::string &text)
{
    std::filesystem::path p(path);
    if (p.has_parent_path())
        MakeDirs(p.parent_path().string());
    WriteFileText(path, text);
    return path;
}
