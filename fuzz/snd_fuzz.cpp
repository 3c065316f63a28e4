// Fuzz target: sound files and WAVs read into sound sets, from memory and from disk, with each sound looked up.
#include <allegro.h>

#include "fuzzkit.h"
#include "lib/snd-lib.h"
#include "lib/vfile.h"

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    FuzzRun([&] {
        VFile *vf = FuzzMemVFile(data, size);
        SndSet *set = SndFileRead(vf);
        VFileClose(vf);
        if (set) {
            SndSetFind(set, 0, 0);
            SndSetFind(set, 1, 0);
            SndSetFree(set);
        }
        vf = FuzzMemVFile(data, size);
        SndSampleDestroy(SndWavRead(vf));
        VFileClose(vf);
        SndSetFree(SndSetLoad(FuzzWrite("in.snd", data, size).c_str()));
    });
    return 0;
}
