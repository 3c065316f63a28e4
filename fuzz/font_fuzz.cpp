// Fuzz target: font files read from memory and from disk, measured and drawn in a colour and in each bank into a 320x240 target.
#include "fuzzkit.h"
#include "lib/font.h"
#include "lib/pal.h"
#include "lib/vfile.h"
#include "support/pixkit.h"

static const char *const texts[] = {"Round 1", "aAzZ09 !~", "\x01\x7f\x80\xff", "", "a\nb"};

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    FuzzCanvasStart();
    FuzzRun([&] {
        VFile *vf = FuzzMemVFile(data, size);
        Font *font = FontReadFromFile(vf);
        VFileClose(vf);
        if (font) {
            for (const char *t : texts) {
                FontTextWidth(font, t);
                FontLineWidth(font, t);
                FontDrawText(t, font, 160, 120, -1, 0xFFFF, FONT_NO_BANK);
                FontDrawText(t, font, -5, 239, 1, 0x1234, FONT_NO_BANK);
                for (int bank = -1; bank < 4; bank++)
                    FontDrawText(t, font, 0, 3, 0, 0, bank);
            }
            FontFree(font);
        }
        FontFree(FontLoad(FuzzWrite("in.fnt", data, size).c_str()));
    });
    return 0;
}
