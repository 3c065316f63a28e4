// Fuzz target: whole characters from a zip archive: the definition file and every file it names, loaded as the player cache loads them, sound on.
#include "charfuzz.h"

int FuzzOneInput(const uint8_t *data, size_t size)
{
    return CharFuzzOne(data, size, true);
}
