// Fuzz target: font files read from memory or from disk, measured and drawn in a colour and in each bank into a 320x240 target.
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
        // Reading from memory and from disk differ only in how the bytes come:
        // each input is read one way, by the parity of its size.
        Font *font = nullptr;
        if (size % 2 == 0) {
            VFile *vf = FuzzMemVFile(data, size);
            font = FontReadFromFile(vf);
            VFileClose(vf);
        } else {
            font = FontLoad(FuzzWrite("in.fnt", data, size).c_str());
        }
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
    });
    return 0;
}
