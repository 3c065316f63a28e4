// Makes the sample game's data tree (configuration, fonts, sounds, stage, fight screen, motif, fighters and what their computer players learned) under a directory.
#include <allegro.h>
#include <cstdio>
#include <string>

#include "game/lessons.h"
#include "game/sample.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    std::string error;
    if (!SampleGameWrite(argv[1], &error) || !FighterLessonsRun(argv[1], &error)) {
        fprintf(stderr, "mkgame: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
END_OF_MAIN()
