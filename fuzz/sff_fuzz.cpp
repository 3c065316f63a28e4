// Fuzz target: sprite files, read whole and selectively, from memory and from disk.
#include "fuzzkit.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/vfile.h"

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    FuzzRun([&] {
        VFile *vf = FuzzMemVFile(data, size);
        SprSetFree(SprLoadStream(vf));
        VFileClose(vf);
        // Pairs of group and image, ending with group -1: present, linked and missing keys.
        static const int list[] = {0, 0, 9000, 0, 0, 1, 1, 0, 5, 5, -1};
        vf = FuzzMemVFile(data, size);
        SprSetFree(SprLoadSelectedStream(vf, list));
        VFileClose(vf);
        std::string path = FuzzWrite("in.sff", data, size);
        SprSetFree(SprLoad(path.c_str()));
    });
    return 0;
}
