// Sample-game art: 8-bit Allegro drawing surfaces with a 256-colour palette, made into sprite-file images.
#pragma once
#include <string>
#include <vector>

#include "kit/sprkit.h"

struct BITMAP;

// 256 RGB triples; entry 0 is the transparent colour of sprites.
struct ArtPalette {
    std::vector<unsigned char> rgb = std::vector<unsigned char>(768, 0);
};

// Starts Allegro without a system driver (memory bitmaps only) unless it runs already.
void ArtStart();

// An 8-bit memory bitmap cleared to 0; null when out of memory.
BITMAP *ArtBitmap(int w, int h);

void ArtColourSet(ArtPalette *pal, int index, int r, int g, int b);
// Entries first..last blend from the first colour to the second.
void ArtRamp(ArtPalette *pal, int first, int last, int r0, int g0, int b0, int r1, int g1, int b1);

// The ramp entry first + t x (last - first) for t in 0..1, dithered by the
// pixel's place in a 4x4 ordered pattern so that soft gradients need few entries.
int ArtDither(int first, int last, float t, int x, int y);
// Fills the rectangle with the ramp from top to bottom (vertical) or left to right.
void ArtGradientRect(BITMAP *bmp, int x0, int y0, int x1, int y1, int first, int last, bool vertical);
// A rectangle of a bitmap, both corners inside.
struct ArtArea {
    int x0, y0, x1, y1;
};
// The whole bitmap as an area.
ArtArea ArtWhole(BITMAP *bmp);

// Puts colour c on every transparent pixel next to a pixel of another colour
// (eight neighbours), around everything drawn so far.
void ArtOutline(BITMAP *bmp, int c);
// The same inside the area only: pixels outside it neither change nor count.
void ArtOutlineArea(BITMAP *bmp, int c, ArtArea a);
// A pseudo-random number in 0..n-1 from the seed, which it advances: the art
// is the same on every run.
int ArtRandom(unsigned *seed, int n);

// The whole bitmap as a sprite-file image with its axis.
SffImage ArtImage(BITMAP *bmp, const ArtPalette &pal, int group, int number, int axisX, int axisY);
// The same cut to the box around the non-transparent pixels; the axis is
// given in the bitmap's coordinates and moves with the cut.
SffImage ArtImageCropped(BITMAP *bmp, const ArtPalette &pal, int group, int number, int axisX, int axisY);
// The same looking for drawn pixels inside the area only.
SffImage ArtImageCroppedArea(BITMAP *bmp, const ArtPalette &pal, int group, int number, int axisX, int axisY,
                             ArtArea a);
// Adds the whole bitmap to the images and frees it; a null bitmap adds nothing.
void ArtImagePut(std::vector<SffImage> *images, BITMAP *bmp, const ArtPalette &pal, int group, int number, int axisX,
                 int axisY);

// A file of the sample game: its path under the game's root, and its bytes.
struct GameFile {
    std::string path;
    std::string bytes;
};
using GameFiles = std::vector<GameFile>;
