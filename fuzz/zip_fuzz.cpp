// Fuzz target: zip archives through the virtual files: every entry opened in the case it is stored in and in upper case, read by every reader, and read as a definition file.
#include <cctype>
#include <cstdio>
#include <string>
#include <unzip.h>
#include <vector>

#include "fuzzkit.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"

// The names stored in the archive, read with minizip itself.
static std::vector<std::string> EntryNames(const char *path)
{
    std::vector<std::string> names;
    unzFile z = unzOpen(path);
    if (!z)
        return names;
    for (int r = unzGoToFirstFile(z); r == UNZ_OK && names.size() < 8; r = unzGoToNextFile(z)) {
        char name[256] = {0};
        unz_file_info info;
        if (unzGetCurrentFileInfo(z, &info, name, sizeof name - 1, nullptr, 0, nullptr, 0) == UNZ_OK)
            names.push_back(name);
    }
    unzClose(z);
    return names;
}

static void ReadAll(VFile *vf)
{
    char line[64], block[300];
    VFileGetc(vf);
    VFileGets(line, sizeof line, vf);
    VFileRead(block, 1, sizeof block, vf);
    VFileTell(vf);
    VFileSeek(vf, 3, SEEK_SET);
    VFileReadLe16(vf);
    VFileReadLe32(vf);
    VFileSeek(vf, -2, SEEK_END);
    VFileEof(vf);
    VFileSeek(vf, 1, SEEK_CUR);
    while (VFileGets(line, sizeof line, vf)) {
    }
    VFileEof(vf);
}

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    FuzzRun([&] {
        std::string path = FuzzWrite("in.zip", data, size);
        std::vector<std::string> names = EntryNames(path.c_str());
        names.push_back("missing.def");
        VFile *last = nullptr;
        for (size_t n = 0; n < names.size(); n++) {
            std::string name = names[n];
            // Every open scans the archive's directory: the lookup in another case
            // is the same for every name, so only the first is asked for in upper case too.
            for (int pass = 0; pass < (n == 0 ? 2 : 1); pass++) {
                if (pass)
                    for (char &c : name)
                        c = (char)toupper((unsigned char)c);
                VFile *vf = VFileOpenZip(path.c_str(), name.c_str());
                if (!vf)
                    continue;
                ReadAll(vf);
                VFileSeek(vf, 0, SEEK_SET);
                if (TxtParseFile *tp = TxtParseOpenVfile(vf)) {
                    TxtParseGroupFirst(tp);
                    TxtParseValueGet(tp, "name");
                    TxtParseClose(tp);
                }
                VFileClose(last);
                last = vf;
            }
        }
        // A second entry loaded into an open one replaces the first.
        if (last && !names.empty()) {
            if (VFileZipLoad(last, names[0].c_str()))
                ReadAll(last);
            VFileZipCloseEntry(last);
        }
        VFileClose(last);
    });
    return 0;
}
