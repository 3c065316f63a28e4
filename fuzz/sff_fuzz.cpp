// Fuzz target: sprite files, read whole (from memory or from disk) and selectively.
#include "fuzzkit.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/vfile.h"

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    FuzzRun([&] {
        // Read whole from memory or from disk, which differ only in how the
        // bytes come: each input one way, by the parity of its size.
        if (size % 2 == 0) {
            VFile *vf = FuzzMemVFile(data, size);
            SprSetFree(SprLoadStream(vf));
            VFileClose(vf);
        } else {
            SprSetFree(SprLoad(FuzzWrite("in.sff", data, size).c_str()));
        }
        // Pairs of group and image, ending with group -1: present, linked and missing keys.
        static const int list[] = {0, 0, 9000, 0, 0, 1, 1, 0, 5, 5, -1};
        VFile *vf = FuzzMemVFile(data, size);
        SprSetFree(SprLoadSelectedStream(vf, list));
        VFileClose(vf);
    });
    return 0;
}
