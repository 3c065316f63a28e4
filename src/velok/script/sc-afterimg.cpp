// AfterImage parameters: the trail keys read under a prefix and evaluated into an afterimage record's parameter block.
#include "velok/script/sc-afterimg.h"

#include <cstdio>
#include <cstring>

#include "lib/gfx.h"
#include "lib/txtparse.h"
#include "velok/core/common.h"
#include "velok/player/afterimg.h"
#include "velok/player/player.h"
#include "velok/script/stparam.h"

static const char *Name(char *buf, size_t size, const char *prefix, const char *key)
{
    snprintf(buf, size, "%s%s", prefix, key);
    return buf;
}

static int Failed(const char *name)
{
    GameErrorAppend("\nError parsing %s", name);
    return 0;
}

static int IntKey(TxtParseFile *f, const char *prefix, const char *key, Expr *e, Player *pl, int def)
{
    char name[64];
    return SCtrlParamInt(f, Name(name, sizeof name, prefix, key), e, pl, def) ? 1 : Failed(name);
}

// A list of up to the format's values over their defaults; text left over
// after the list fails.
static int ListKey(TxtParseFile *f, const char *prefix, const char *key, const char *format, Expr *items, Player *pl)
{
    char name[64];
    const char *v = TxtParseValueGet(f, Name(name, sizeof name, prefix, key));
    if (!v)
        return 1;
    Expr *ptrs[3] = {&items[0], &items[1], &items[2]};
    const char *end = v;
    SCtrlParseListArr(v, format, pl, &end, ptrs);
    return *end ? Failed(name) : 1;
}

static void Triple(Expr *e, int a, int b, int c)
{
    ExprSetInt(&e[0], a);
    ExprSetInt(&e[1], b);
    ExprSetInt(&e[2], c);
}

int SCtrlAfterImageParse(TxtParseFile *f, const char *prefix, AfterImageCtrlParams *p, Player *pl)
{
    if (!prefix)
        prefix = "";
    Triple(p->palBright, 30, 30, 30);
    Triple(p->palContrast, 120, 120, 220);
    Triple(p->palPostBright, 0, 0, 0);
    Triple(p->palAdd, 10, 10, 25);
    ExprSetFloat(&p->palMul[0], 0.65f);
    ExprSetFloat(&p->palMul[1], 0.65f);
    ExprSetFloat(&p->palMul[2], 0.75f);
    ExprSetInt(&p->alpha[0], 256);
    ExprSetInt(&p->alpha[1], 256);
    p->trans = TRANS_NONE;
    if (!IntKey(f, prefix, "time", &p->time, pl, 1) || !IntKey(f, prefix, "length", &p->length, pl, 20) ||
        !IntKey(f, prefix, "palcolor", &p->palColor, pl, 256) ||
        !IntKey(f, prefix, "palinvertall", &p->palInvertAll, pl, 0) ||
        !ListKey(f, prefix, "palbright", "iii", p->palBright, pl) ||
        !ListKey(f, prefix, "palcontrast", "iii", p->palContrast, pl) ||
        !ListKey(f, prefix, "palpostbright", "iii", p->palPostBright, pl) ||
        !ListKey(f, prefix, "paladd", "iii", p->palAdd, pl) || !ListKey(f, prefix, "palmul", "fff", p->palMul, pl) ||
        !IntKey(f, prefix, "timegap", &p->timeGap, pl, 1) || !IntKey(f, prefix, "framegap", &p->frameGap, pl, 4))
        return 0;
    char name[64];
    const char *word = TxtParseValueGet(f, Name(name, sizeof name, prefix, "trans"));
    if (!word)
        return 1;
    int src = -1, dst = -1;
    p->trans = TransParse(word, &src, &dst);
    // An unknown word is kept as it is and ends the keys.
    if (p->trans == TRANS_UNKNOWN)
        return 1;
    if (src != -1) {
        // The word brought its own alpha.
        ExprSetInt(&p->alpha[0], src);
        ExprSetInt(&p->alpha[1], dst);
        return 1;
    }
    return ListKey(f, prefix, "alpha", "ii", p->alpha, pl);
}

static int Int(Player *pl, const Expr *e)
{
    return ExprEvalInt(pl, e, 1);
}

void SCtrlAfterImageEval(const AfterImageCtrlParams *p, Player *pl, AfterImage *ai, AnimObj *anim)
{
    AfterImageParams b;
    memset(&b, 0, sizeof b);
    b.time = Int(pl, &p->time);
    if (b.time < -1) {
        PlayerWarn(pl, "illegal time for afterimage");
        b.time = 1;
    }
    b.length = Int(pl, &p->length);
    if (b.length > 0 && b.length > ai->capacity) {
        PlayerWarnf(pl, "length for afterimage exceeds maximum of %i", ai->capacity);
        b.length = ai->capacity;
    } else if (b.length <= 0) {
        PlayerWarn(pl, "illegal length for afterimage");
        b.length = 20;
    }
    b.timeGap = Int(pl, &p->timeGap);
    if (b.timeGap < 1) {
        PlayerWarn(pl, "illegal timegap for afterimage");
        b.timeGap = 1;
    }
    b.frameGap = Int(pl, &p->frameGap);
    if (b.frameGap < 1) {
        PlayerWarn(pl, "illegal framegap for afterimage");
        b.frameGap = 4;
    }
    b.palColor = Int(pl, &p->palColor);
    b.palInvertAll = Int(pl, &p->palInvertAll);
    for (int c = 0; c < 3; c++) {
        b.palBright[c] = Int(pl, &p->palBright[c]);
        b.palContrast[c] = Int(pl, &p->palContrast[c]);
        b.palPostBright[c] = Int(pl, &p->palPostBright[c]);
        b.palAdd[c] = Int(pl, &p->palAdd[c]);
        b.palMul[c] = ExprEvalFloat(pl, &p->palMul[c]);
    }
    b.trans = p->trans;
    b.alphaSrc = Int(pl, &p->alpha[0]);
    b.alphaDst = Int(pl, &p->alpha[1]);
    AfterImageSetParams(ai, &b, anim);
}

void SCtrlAfterImageFree(AfterImageCtrlParams *p)
{
    if (!p)
        return;
    ExprFree(&p->time);
    ExprFree(&p->length);
    ExprFree(&p->palColor);
    ExprFree(&p->palInvertAll);
    for (int c = 0; c < 3; c++) {
        ExprFree(&p->palBright[c]);
        ExprFree(&p->palContrast[c]);
        ExprFree(&p->palPostBright[c]);
        ExprFree(&p->palAdd[c]);
        ExprFree(&p->palMul[c]);
    }
    ExprFree(&p->timeGap);
    ExprFree(&p->frameGap);
    ExprFree(&p->alpha[0]);
    ExprFree(&p->alpha[1]);
}
