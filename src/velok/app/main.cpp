// Program entry: reads the command line, writes the status log.
#include <allegro.h>

#include "velok/core/common.h"

int main(int argc, char **argv)
{
    CmdLineOptions opt;
    LogWrite("Parsing command line...\n");
    CmdLineParse(&opt, argc, argv);
    LogWrite("Parse command line OK\n");
    LogWrite("close log");
    return 0;
}
END_OF_MAIN()
