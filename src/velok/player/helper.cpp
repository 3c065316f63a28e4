// Helpers: extra players made from a player's character that run their own states, with their parent and root links.
#include "velok/player/helper.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "lib/anim-lib.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/player/afterimg.h"
#include "velok/player/chardef.h"
#include "velok/player/keybuf.h"
#include "velok/player/p-hit.h"
#include "velok/player/p-info.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/player/proj.h"
#include "velok/script/sc-helper.h"
#include "velok/script/st-trig.h"
#include "velok/script/stparam.h"

constexpr int SCREEN_WIDTH = 320;

// The first helper slot whose player is not enabled; null when that slot
// holds no player or every helper slot is in use.
static Player *FreeSlot()
{
    for (int slot = GAME_MAIN_SLOTS + 1; slot <= gv->playerSlotCount; slot++) {
        Player *q = gv->players[slot];
        if (!q || !q->enabled) {
            if (q)
                q->slot = slot;
            return q;
        }
    }
    return nullptr;
}

// Own palettes: a copy of the parent's palette view, listed under the
// parent's groups so that its palette effects reach the helper too. Without,
// or when the copy cannot be made, the helper draws through the parent's
// views.
static void SpritesGive(Player *h, Player *parent, int ownPal)
{
    SprSet *source = parent->palInUse ? parent->palInUse : parent->sprInUse;
    h->helperOwnPal = 0;
    if (ownPal && source && h->sprView && SprSetReshare(h->sprView, source)) {
        h->helperOwnPal = 1;
        h->sprInUse = h->palInUse = h->sprView;
        if (PalGroupMaskAny(parent->palMask))
            PalListAddPlayer(h->sprView->pals, parent->palMask);
    } else {
        h->sprInUse = parent->sprInUse;
        h->palInUse = parent->palInUse;
    }
    h->anim->spr = h->sprInUse;
    if (h->projList) {
        h->projList->anims = h->charData ? h->charData->anims : nullptr;
        h->projList->spr = parent->palView ? parent->palView : source;
    }
}

// "%s's helper" with the parent's name, cut to the name field.
static void HelperNameMake(char *out, size_t size, const char *parentName)
{
    StrCopy(out, size, parentName);
    size_t len = strlen(out);
    StrCopy(out + len, size - len, "'s helper");
}

static void SizeInt(Player *parent, const Expr *e, int *dest)
{
    int v = ExprEvalInt(parent, e, 0);
    if (v != SCTRL_NOT_GIVEN_INT)
        *dest = v;
}

static void SizeFloat(Player *parent, const Expr *e, float *dest)
{
    float v = ExprEvalFloat(parent, e);
    if (v != SCTRL_NOT_GIVEN_FLOAT)
        *dest = v;
}

static void SizesGive(Player *h, Player *parent, const HelperParams *p)
{
    PlayerConst *c = &h->consts;
    *c = parent->consts;
    SizeFloat(parent, &p->xScale, &c->xScale);
    SizeFloat(parent, &p->yScale, &c->yScale);
    SizeInt(parent, &p->groundBack, &c->groundBack);
    SizeInt(parent, &p->groundFront, &c->groundFront);
    SizeInt(parent, &p->airBack, &c->airBack);
    SizeInt(parent, &p->airFront, &c->airFront);
    SizeInt(parent, &p->height, &c->height);
    SizeInt(parent, &p->projDoScale, &c->projDoScale);
    SizeInt(parent, &p->headPosX, &c->headPosX);
    SizeInt(parent, &p->headPosY, &c->headPosY);
    SizeInt(parent, &p->midPosX, &c->midPosX);
    SizeInt(parent, &p->midPosY, &c->midPosY);
    SizeInt(parent, &p->shadowOffset, &c->shadowOffset);
}

static void Place(Player *h, Player *parent, const HelperParams *p, TrigCtx *ctx)
{
    int pf = parent->facing < 0 ? -1 : 1;
    bool right = pf > 0;
    double camX = gv->cameraX;
    double bx, by = 0.0;
    int f = 1;
    int posType = p->posType;
    Player *opp = ctx ? ctx->opponent : nullptr;
    if (posType == POSTYPE_P2 && !opp)
        posType = POSTYPE_P1;
    switch (posType) {
    case POSTYPE_P2:
        bx = opp->posX;
        by = opp->posY;
        f = opp->facing < 0 ? -1 : 1;
        break;
    case POSTYPE_FRONT:
        bx = camX + (right ? SCREEN_WIDTH : 0);
        f = pf;
        break;
    case POSTYPE_BACK:
        bx = camX + (right ? 0 : SCREEN_WIDTH);
        f = pf;
        break;
    case POSTYPE_LEFT:
        bx = camX;
        break;
    case POSTYPE_RIGHT:
        bx = camX + SCREEN_WIDTH;
        break;
    default:
        bx = ExprFloatToInt(parent->posX);
        by = ExprFloatToInt(parent->posY);
        f = pf;
        break;
    }
    int px = ExprEvalInt(parent, &p->posX, 0), py = ExprEvalInt(parent, &p->posY, 0);
    h->posX = (float)(bx + (double)px * f);
    h->posY = (float)(by + py);
    h->posZ = parent->posZ;
    h->prevX = h->posX;
    h->prevY = h->posY;
    h->prevZ = h->posZ;
    if (ExprEvalInt(parent, &p->facing, 0) == -1)
        f = -f;
    h->facing = f;
    KeyBufSetFacing(&h->keyBuf, f == -1);
}

static int MoveTime(Player *parent, const Expr *e, const char *warning)
{
    int v = ExprEvalInt(parent, e, 0);
    if (v < 0) {
        PlayerWarn(parent, warning);
        v = 0;
    }
    return v;
}

Player *HelperCreate(Player *parent, const HelperParams *p, TrigCtx *ctx)
{
    if (!gv || !parent || !p || !parent->charData)
        return nullptr;
    Player *h = FreeSlot();
    if (!h || !h->anim)
        return nullptr;
    CharData *cd = parent->charData;
    h->isHelper = 1;
    h->charData = cd;
    h->state.ownList = parent->state.ownList;
    h->cmdSet = &cd->cmds;
    PlayerEnableSet(h->slot, 1);

    SpritesGive(h, parent, ExprEvalInt(parent, &p->ownPal, 0));
    if (p->name[0])
        StrCopy(h->name, sizeof h->name, p->name);
    else
        HelperNameMake(h->name, sizeof h->name, parent->name);
    h->id = gv->playerIdCounter++;
    SizesGive(h, parent, p);

    // The family and the side come before the round reset, which finds the
    // power and the opponent through them.
    h->side = parent->side;
    h->parentId = parent->id;
    h->parentSlot = parent->slot;
    h->parent = parent;
    h->root = parent->root ? parent->root : parent;
    h->helperType = p->type;
    h->helperTypePlayer = p->type == HELPER_TYPE_PLAYER;
    PlayerRoundInit(h);
    memset(h->var, 0, sizeof h->var);
    memset(h->fvar, 0, sizeof h->fvar);

    int stateNo = ExprEvalInt(parent, &p->stateNo, 1);
    if (stateNo < 0) {
        PlayerWarn(parent, "illegal helper stateno");
        stateNo = 0;
    }
    PlayerStateSet(h, stateNo);

    h->keyConfig = parent->keyConfig;
    h->keyCtrl = ExprEvalInt(parent, &p->keyCtrl, 0) != 0;
    if (h->keyCtrl) {
        h->keyBuf = parent->keyBuf;
        h->cmdBuf = parent->cmdBuf;
    }

    int id = ExprEvalInt(parent, &p->id, 1);
    if (id < 0) {
        PlayerWarn(parent, "negative helper ID");
        id = 0;
    }
    h->helperId = id;

    Place(h, parent, p, ctx);

    int on = h->helperTypePlayer;
    h->screenBound = h->moveCameraX = h->moveCameraY = h->playerPush = on;
    h->pauseMoveTime[0] = MoveTime(parent, &p->pauseMoveTime, "illegal helper pausemovetime");
    h->pauseMoveTime[1] = MoveTime(parent, &p->superMoveTime, "illegal helper supermovetime");
    // Not hit on its first tick.
    h->getHit.hitByMask[0] = 0;
    h->getHit.hitByTime[0] = 1;
    h->opponent = PlayerOpponentFind(h);
    memset(h->assertFlags, 0, sizeof h->assertFlags);

    // Made this tick: its states run in this tick's passes.
    h->runFlag = 1;
    gv->stateRerun = 1;
    return h;
}

void HelperRemove(Player *h)
{
    if (!h || !h->isHelper)
        return;
    PlayerTargetsDrop(h, nullptr);
    PlayerReferencesDrop(h);
    AfterImagePlayerRelease(h);
    if (h->helperOwnPal && h->sprView)
        PalListRemovePals(h->sprView->pals);
    h->helperOwnPal = 0;
    if (h->sprView)
        SprSetClear(h->sprView);
    h->sprInUse = h->sprView;
    h->palInUse = h->palView;
    if (h->anim)
        h->anim->spr = h->sprView;
    // The character, its states and actions stay named until the slot is
    // used again: a helper removing itself finishes its state run on them.
    // Nothing reads them while the slot is disabled.
    h->parent = h->root = nullptr;
    h->parentSlot = h->parentId = 0;
    if (h->enabled)
        PlayerEnableSet(h->slot, 0);
}

Player *HelperParentGet(const Player *pl)
{
    if (!pl || !pl->isHelper || !pl->parentSlot)
        return nullptr;
    return PlayerSlotGetById(pl->parentSlot, pl->parentId);
}

Player *HelperRootGet(const Player *pl)
{
    return pl ? pl->root : nullptr;
}

static bool InFamily(const Player *h, const Player *pl, int id)
{
    const Player *root = pl->root ? pl->root : pl;
    return h->enabled && h->isHelper && h->root == root && (id == 0 || h->helperId == id);
}

int HelperCount(const Player *pl, int id)
{
    if (!gv || !pl)
        return 0;
    int n = 0;
    for (int slot = GAME_MAIN_SLOTS + 1; slot <= gv->playerSlotCount; slot++) {
        const Player *h = gv->players[slot];
        n += h && InFamily(h, pl, id);
    }
    return n;
}

Player *HelperFind(const Player *pl, int id)
{
    if (!gv || !pl)
        return nullptr;
    for (int slot = GAME_MAIN_SLOTS + 1; slot <= gv->playerSlotCount; slot++) {
        Player *h = gv->players[slot];
        if (h && InFamily(h, pl, id))
            return h;
    }
    return nullptr;
}
