// Sprite drawing: one image of a sprite set onto the drawing target, by draw kind, flip, size, scale and angle.
#pragma once

struct SprSet;

enum { SPR_FLIP_H = 1, SPR_FLIP_V = 2 };

int SprFlipSignX(int flags);
int SprFlipSignY(int flags);

void SprDraw(SprSet *set, int index, int x, int y);
void SprDrawH(SprSet *set, int index, int x, int y);
void SprDrawV(SprSet *set, int index, int x, int y);
void SprDrawHV(SprSet *set, int index, int x, int y);
void SprDrawOpaque(SprSet *set, int index, int x, int y);
void SprDrawSilhouette(SprSet *set, int index, int x, int y, int colour);

void SprDrawSized(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawSizedH(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawSizedV(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawSizedHV(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawSizedOpaque(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawScaled(SprSet *set, int index, float x, float y, float xScale, float yScale);
void SprDrawScaledH(SprSet *set, int index, int x, int y, float xScale, float yScale);
void SprDrawScaledV(SprSet *set, int index, int x, int y, float xScale, float yScale);
void SprDrawScaledHV(SprSet *set, int index, int x, int y, float xScale, float yScale);
void SprDrawScaledOpaque(SprSet *set, int index, int x, int y, float xScale, float yScale);
void SprDrawRotated(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                    float xScale2, float yScale2);
void SprDrawRotatedUnit(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale);
void SprDrawRotatedH(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                     float xScale2, float yScale2);
void SprDrawRotatedUnitH(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale);

void SprDrawAdd(SprSet *set, int index, int x, int y);
void SprDrawAddH(SprSet *set, int index, int x, int y);
void SprDrawAddV(SprSet *set, int index, int x, int y);
void SprDrawAddHV(SprSet *set, int index, int x, int y);
void SprDrawAddFlip(SprSet *set, int index, int x, int y, int flip);
void SprDrawAddSized(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawAddSizedH(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawAddSizedV(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawAddSizedHV(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawAddScaled(SprSet *set, int index, float x, float y, float xScale, float yScale);
void SprDrawAddRotated(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                       float xScale2, float yScale2);
void SprDrawAddRotatedUnit(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale);
void SprDrawAddRotatedH(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                        float xScale2, float yScale2);
void SprDrawAddRotatedUnitH(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale);

void SprDrawAlpha(SprSet *set, int index, int x, int y, int srcAlpha, int dstAlpha);
void SprDrawAlphaH(SprSet *set, int index, int x, int y, int srcAlpha, int dstAlpha);
void SprDrawAlphaV(SprSet *set, int index, int x, int y, int srcAlpha, int dstAlpha);
void SprDrawAlphaHV(SprSet *set, int index, int x, int y, int srcAlpha, int dstAlpha);
void SprDrawAlphaFlip(SprSet *set, int index, int x, int y, int flip, int srcAlpha, int dstAlpha);
void SprDrawAlphaSized(SprSet *set, int index, float x, float y, float width, float height, int srcAlpha,
                       int dstAlpha);
void SprDrawAlphaSizedH(SprSet *set, int index, float x, float y, float width, float height, int srcAlpha,
                        int dstAlpha);
void SprDrawAlphaSizedV(SprSet *set, int index, float x, float y, float width, float height, int srcAlpha,
                        int dstAlpha);
void SprDrawAlphaSizedHV(SprSet *set, int index, float x, float y, float width, float height, int srcAlpha,
                         int dstAlpha);
void SprDrawAlphaScaled(SprSet *set, int index, float x, float y, float xScale, float yScale, int srcAlpha,
                        int dstAlpha);
void SprDrawAlphaRotated(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                         float xScale2, float yScale2, int srcAlpha, int dstAlpha);
void SprDrawAlphaRotatedUnit(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                             int srcAlpha, int dstAlpha);
void SprDrawAlphaRotatedH(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                          float xScale2, float yScale2, int srcAlpha, int dstAlpha);
void SprDrawAlphaRotatedUnitH(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                              int srcAlpha, int dstAlpha);

void SprDrawSub(SprSet *set, int index, int x, int y);
void SprDrawSubH(SprSet *set, int index, int x, int y);
void SprDrawSubV(SprSet *set, int index, int x, int y);
void SprDrawSubHV(SprSet *set, int index, int x, int y);
void SprDrawSubSized(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawSubSizedH(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawSubSizedV(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawSubSizedHV(SprSet *set, int index, float x, float y, float width, float height);
void SprDrawSubScaled(SprSet *set, int index, float x, float y, float xScale, float yScale);
void SprDrawSubRotated(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                       float xScale2, float yScale2);
void SprDrawSubRotatedUnit(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale);
void SprDrawSubRotatedH(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                        float xScale2, float yScale2);
void SprDrawSubRotatedUnitH(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale);

void SprDrawShadeSized(SprSet *set, int index, float x, float y, float width, float height, int colour);
void SprDrawShadeSizedH(SprSet *set, int index, float x, float y, float width, float height, int colour);
void SprDrawShadeSizedV(SprSet *set, int index, float x, float y, float width, float height, int colour);
void SprDrawShadeSizedHV(SprSet *set, int index, float x, float y, float width, float height, int colour);
void SprDrawShadeScaled(SprSet *set, int index, float x, float y, float xScale, float yScale, int colour);
void SprDrawShadeRotated(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                         float xScale2, float yScale2, int colour);
void SprDrawShadeRotatedUnit(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                             int colour);
void SprDrawShadeRotatedH(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                          float xScale2, float yScale2, int colour);
void SprDrawShadeRotatedUnitH(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                              int colour);

void SprDrawKey(SprSet *set, int group, int number, int x, int y);
void SprDrawKeyH(SprSet *set, int group, int number, int x, int y);
void SprDrawKeyPal(SprSet *set, int group, int number, int palIndex, int x, int y);
void SprDrawKeyPalH(SprSet *set, int group, int number, int palIndex, int x, int y);

// By transparency kind (0 or -1 masked, 1 add, 2 subtract, 3 alpha with the two factors).
void SprDrawFlipTrans(SprSet *set, int index, int x, int y, int flip, int trans, int srcAlpha, int dstAlpha);
void SprDrawScaledTrans(SprSet *set, int index, float x, float y, float xScale, float yScale, int trans,
                        int srcAlpha, int dstAlpha);
void SprDrawRotatedTrans(SprSet *set, int index, float x, float y, float angle, float xScale, float yScale,
                         float xScale2, float yScale2, int trans, int srcAlpha, int dstAlpha);
