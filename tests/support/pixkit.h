// Pixel test kit: 320x240 RGB565 memory targets, checksums and PCX dumps for a look.
#pragma once
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "lib/blit.h"
#include "support/testkit.h"

struct BITMAP;
struct SprSet;

enum { PIX_W = 320, PIX_H = 240 };

inline uint16_t Rgb565(int r, int g, int b) { return (uint16_t)(r << 11 | g << 5 | b); }

inline uint16_t PixGrey(int v) { return Rgb565(v, v, v); }

// A 320x240 16-bit memory bitmap (Allegro started first) cleared to a colour.
BITMAP *PixCanvas(uint16_t fill = 0);
uint16_t PixGet(BITMAP *bmp, int x, int y);
void PixSet(BITMAP *bmp, int x, int y, uint16_t c);
uint32_t PixCrc(BITMAP *bmp);
bool PixEqual(BITMAP *a, BITMAP *b);
// How many pixels differ from bg (by default: are not black).
int PixDrawn(BITMAP *bmp, uint16_t bg = 0);
// Writes the image as a 24-bit PCX with our own unpacking of RGB565.
void PixSavePcx(BITMAP *bmp, const std::string &name);
// A 24-bit PCX (as PixSavePcx and screenshots write them) as RGB triples, row by row.
struct PixPcxImage {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
};
bool PixPcxRead(const std::string &path, PixPcxImage *out);
// Checks the checksum; on a mismatch writes "<name>.pcx" and reports it.
::testing::AssertionResult PixCrcIs(BITMAP *bmp, uint32_t crc, const std::string &name);

// The bitmap as a blitter target clipped to the whole bitmap.
struct PixTarget {
    std::vector<int> rows;
    BlitTarget target;
};
void PixTargetOf(BITMAP *bmp, PixTarget *out);

// Makes the 16-bit bitmap the drawing target (vbufTarget), clipped to the
// whole bitmap; rows receives the row table the target points into.
void PixVbufTargetSet(BITMAP *bmp, std::vector<int> *rows);
// The palette effects started and a black 320x240 canvas made the drawing
// target (Allegro started first); returns the canvas.
BITMAP *PixCanvasStart(std::vector<int> *rows);
// The sine table and the palette effects started, and a black 320x240 16-bit
// sprite made the drawing target (Allegro started first): *target the sprite
// set (set as soon as it is made, for freeing) and *bmp its bitmap.
::testing::AssertionResult PixSprTargetStart(SprSet **target, BITMAP **bmp);

// A temporary directory, Allegro and the palette effects started, and a
// black 320x240 canvas as the drawing target.
class PixCanvasTest : public TempDirTest {
protected:
    void SetUp() override;
    void TearDown() override;
    BITMAP *canvas = nullptr;
    std::vector<int> rows;
};

// An 8-bit test image: pixels row by row, with its row table.
struct PixImage {
    std::vector<uint8_t> pixels;
    std::vector<int> rows;
    BlitSource source;
};
void PixImageMake(PixImage *img, int w, int h, int ax, int ay, const std::vector<uint8_t> &pixels);
