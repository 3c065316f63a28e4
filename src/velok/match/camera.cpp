// Camera: follows the outermost fighters within the stage's bounds; draws the stage's back layers around it.
#include "velok/match/camera.h"

#include <cmath>
#include <cstdint>

#include "lib/bg.h"
#include "lib/libbase.h"
#include "lib/vbuf.h"
#include "velok/core/gamevars.h"
#include "velok/match/gameloop.h"
#include "velok/player/p-info.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"

void CameraSetPos(float x, float y)
{
    gv->cameraX = gv->cameraTargetX = x;
    gv->cameraY = gv->cameraTargetY = y;
    gv->cameraXi = TruncToInt(x);
    gv->cameraYi = TruncToInt(y);
}

static void ZScalesUpdate()
{
    for (int slot = 1; slot <= PlayerEnabledEnd(); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (pl)
            PlayerZScaleUpdate(pl);
    }
}

// The body widths the screen bound keeps from the screen's edges.
static int LeftWidth(const Player *pl)
{
    return PlayerEdgeWidthGet(pl, EDGE_DIR_LEFT, EDGE_KIND_BODY_EDGE);
}

static int RightWidth(const Player *pl)
{
    return PlayerEdgeWidthGet(pl, EDGE_DIR_RIGHT, EDGE_KIND_BODY_EDGE);
}

// 1 in the air, 2 lying, else 0.
static int PoseMargin(const Player *pl)
{
    return pl->state.stateType == STATETYPE_A ? 1 : pl->state.stateType == STATETYPE_L ? 2 : 0;
}

void CameraUpdate()
{
    float oldTx = gv->cameraTargetX, oldTy = gv->cameraTargetY;
    if (GameModeIsScene(gv->gameLoopMode))
        return;
    ZScalesUpdate();

    Player *left = nullptr, *right = nullptr, *high = nullptr;
    float leftX = 0, rightX = 0;
    for (int slot = 1; slot <= PlayerEnabledEnd(); slot++) {
        Player *pl = PlayerEnabledGet(slot);
        if (!pl)
            continue;
        if (pl->moveCameraX) {
            float l = pl->posX - (float)LeftWidth(pl), r = pl->posX + (float)RightWidth(pl);
            if (!left || l < leftX) {
                left = pl;
                leftX = l;
            }
            if (!right || r > rightX) {
                right = pl;
                rightX = r;
            }
        }
        if (pl->moveCameraY && (!high || pl->posY < high->posY))
            high = pl;
    }

    float tx = oldTx, ty = oldTy;
    float d = 1.0f;
    if (left && right && high) {
        float camX = gv->cameraX;
        // The tension comes from the stage file and the positions may be
        // saturated: the sums are taken in 64 bits so that none wraps.
        int64_t tension = gv->stage.tension;
        // The rooms between the outermost fighters and the follow margins.
        int64_t a = TruncToInt((float)((int64_t)TruncToInt(left->posX) - tension - LeftWidth(left) - PoseMargin(left)) - camX);
        int64_t f =
            TruncToInt((float)(319 - tension - TruncToInt(right->posX) - RightWidth(right) - PoseMargin(right)) + camX);
        if ((a < 0 && f < 0) || ((a < -1 || f < -1) && a + f < 0)) {
            int64_t l = (int64_t)TruncToInt(left->posX) - LeftWidth(left) - 160 - PoseMargin(left);
            int64_t r = (int64_t)TruncToInt(right->posX) + RightWidth(right) - 160 + PoseMargin(right);
            tx = (float)((l + r) / 2);
        } else if (a < -1) {
            tx = gv->cameraX + (float)a;
        } else if (f < -1) {
            tx = gv->cameraX - (float)f;
        }
        if (left->velX < -1.0f && a < 0 && f >= 1)
            d = fabsf(left->velX);
        if (fabsf(right->velX) > d && f < 0 && a > 0)
            d = fabsf(right->velX);
        ty = (float)TruncToInt((float)gv->stage.floorTension + high->posY) * gv->stage.verticalFollow;
    }

    if (gv->round.state != 0) {
        tx = (float)(TruncToInt(oldTx + tx) / 2);
        ty = 0.85f * oldTy + 0.15f * ty;
    } else {
        gv->cameraX = tx;
    }
    gv->cameraTargetX = tx;
    gv->cameraTargetY = ty;

    if (!gv->paused) {
        if (gv->cameraX < tx)
            gv->cameraX += d;
        else if (gv->cameraX > tx)
            gv->cameraX -= d;
        float vf = gv->stage.verticalFollow;
        if (gv->cameraY < ty) {
            gv->cameraY += 0.5f;
            if (ty - gv->cameraY > 5.0f)
                gv->cameraY += vf * (ty - gv->cameraY) * 0.1f;
            if (ty - gv->cameraY <= 0.5f)
                gv->cameraY = ty;
        } else if (gv->cameraY > ty) {
            gv->cameraY -= 0.5f;
            if (gv->cameraY - ty > 5.0f)
                gv->cameraY -= vf * (gv->cameraY - ty) * 0.1f;
            if (gv->cameraY - ty <= 0.5f)
                gv->cameraY = ty;
        }
    }
    if ((float)TruncToInt(fabsf(gv->cameraX - tx)) <= 2.0f * d)
        gv->cameraX = tx;

    // Left first, then right: bounds the wrong way round give the right bound.
    if (gv->cameraX < (float)gv->stage.boundLeft)
        gv->cameraX = (float)gv->stage.boundLeft;
    if (gv->cameraX > (float)gv->stage.boundRight)
        gv->cameraX = (float)gv->stage.boundRight;
    if (gv->cameraY < (float)gv->stage.boundHigh)
        gv->cameraY = (float)gv->stage.boundHigh;
    if (gv->cameraY > (float)gv->stage.boundLow)
        gv->cameraY = (float)gv->stage.boundLow;
    gv->cameraXi = TruncToInt(gv->cameraX);
    gv->cameraYi = TruncToInt(gv->cameraY);
    ZScalesUpdate();
}

void StageBgDraw()
{
    BGDef *bg = gv->stageBg;
    BGSetCameraEx(bg, (float)gv->cameraXi, (float)gv->cameraYi, -(float)gv->shakeX, -(float)gv->shakeY);
    BGDrawLayer(bg, 0);

    gv->stageZOffset = gv->stage.zOffset;
    // Without the linked element the file's ground line holds.
    // Summed in double: in float a whole sum of 32 or more plus 0.999999 rounds
    // up to the next whole number, a pixel below the line.
    const BGElem *link = bg ? gv->stage.groundElem : nullptr;
    if (link)
        gv->stageZOffset = TruncToInt((double)link->startY + (double)gv->cameraY * link->deltaY +
                                      (double)gv->stage.zOffset + 0.999999);

    if (!vbufTarget.pixels || gv->shakeY == 0)
        return;
    int w = vbufTarget.width, h = vbufTarget.height;
    // The rows the shake uncovers, never more than the target has.
    int64_t rows = gv->shakeY > 0 ? gv->shakeY : -(int64_t)gv->shakeY;
    if (rows > h)
        rows = h;
    if (gv->shakeY > 0)
        VbufRectFill(0, h - (int)rows, w - 1, h - 1, 0);
    else
        VbufRectFill(0, 0, w - 1, (int)rows - 1, 0);
}
