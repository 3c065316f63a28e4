// Message boxes written to standard error or standard output.
#include "platform/pmsgbox.h"

#include <cstdio>
#include <cstring>

void PlatMessageBox(const char *title, const char *text, PlatMsgStream stream)
{
    FILE *out = stream == PLAT_MSG_STDOUT ? stdout : stderr;
    fflush(stdout);
    fprintf(out, "%s\n\n%s", title ? title : "", text ? text : "");
    if (text && *text && text[strlen(text) - 1] != '\n')
        fputc('\n', out);
    fflush(out);
}
