// Fuzz target: PCX images decoded alone and as one-image sprite sets, and the same bytes as a palette file.
#include <cstdio>
#include <cstdlib>
#include <sanitizer/asan_interface.h>

#include "fuzzkit.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/pcx.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/vfile.h"

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    FuzzRun([&] {
        VFile *vf = FuzzMemVFile(data, size);
        int w = 0, h = 0, bpp = 0, length = 0;
        Palette pal{};
        unsigned char *pixels = PcxDecode(vf, &w, &h, &bpp, &length, &pal);
        if (pixels) {
            // Every byte the decoder reports is there to read: asked of the
            // address sanitizer in one call, not byte by byte.
            if (length > 0 && __asan_region_is_poisoned(pixels, (size_t)length)) {
                fprintf(stderr, "fuzz: the decoder reports %d bytes, fewer are there\n", length);
                abort();
            }
            MemFree(pixels);
        }
        PalFree(&pal);
        VFileClose(vf);
        vf = FuzzMemVFile(data, size);
        SprSetFree(SprLoadPcxStream(vf, 3, -2));
        VFileClose(vf);
        unsigned char rgba[1024];
        // The reader closes what it reads (a zip entry stays open).
        PalActRead(rgba, FuzzMemVFile(data, size));
        PalActLoad(rgba, FuzzWrite("in.act", data, size).c_str());
    });
    return 0;
}
