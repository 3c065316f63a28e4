// Test kit: definition texts for the text-file reader, on disk or as memory virtual files.
#include "support/deftext.h"

#include <cstring>
#include <filesystem>

#include "lib/libbase.h"
#include "lib/vfile.h"

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

VFile *DefMemVFile(const std::string &text)
{
    char *block = (char *)LibCalloc(text.size(), 1);
    if (!block)
        return nullptr;
    if (!text.empty())
        memcpy(block, text.data(), text.size());
    VFile *vf = VFileOpenMem(block, text.size());
    if (!vf) {
        MemFree(block);
        return nullptr;
    }
    vf->ownsBlock = 1;
    return vf;
}
