// Helper parameters: the keys of the Helper controller and their defaults.
#pragma once

#include "velok/script/expr.h"

struct Player;
struct TxtParseFile;

enum {
    HELPER_NAME_LEN = 48,  // 47 characters and the terminator
};

enum HelperType {
    HELPER_TYPE_NORMAL = 0,
    HELPER_TYPE_PLAYER = 1,
    HELPER_TYPE_PROJ = 2,
};

// The size keys left absent hold the "not given" marker of stparam.h
// (-32751, the scales -32760.0): the parent's value stays.
struct HelperParams {
    char name[HELPER_NAME_LEN];  // empty: "%s's helper" with the parent's name
    Expr id;
    int type;                    // HelperType
    Expr posX, posY;
    int posType;                 // PosType
    Expr facing;
    Expr stateNo;
    Expr keyCtrl;
    Expr ownPal;
    Expr superMoveTime;
    Expr pauseMoveTime;
    Expr xScale, yScale;
    Expr groundBack, groundFront;
    Expr airBack, airFront;
    Expr height;
    Expr projDoScale;
    Expr headPosX, headPosY;
    Expr midPosX, midPosY;
    Expr shadowOffset;
};

// Reads the keys of the current group into a zeroed record. 1, or 0 with the
// reason in the game error text.
int SCtrlHelperParse(TxtParseFile *file, Player *pl, HelperParams *p);
void SCtrlHelperFree(HelperParams *p);
