// Program entry.
#include <allegro.h>

int main(int argc, char **argv)
{
    (void)argc;
    (void)argv;
    return 0;
}
END_OF_MAIN()
