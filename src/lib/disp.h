// Frame presentation: frame skipping against the frame timer, the 2x filters, showing the frame centred or stretched, and screenshots.
#pragma once

struct BITMAP;
struct SprSet;

enum DispFilter {
    DISP_FILTER_NONE = 0,
    DISP_FILTER_EDGE = 1,
    DISP_FILTER_BLEND = 2,
    DISP_FILTER_SCANLINE = 3,
    DISP_FILTER_DOUBLE = 4,
};

enum {
    DISP_FRAMESKIP_AUTO = -1,
    DISP_FILTER_SRC_W = 320,
    DISP_FILTER_SRC_H = 240,
    DISP_FILTER_DST_W = 640,
    DISP_FILTER_DST_H = 480,
};

// The frame buffers and presentation settings, set up by start-up.
struct DispState {
    SprSet *gameBuf;   // 320x240, 16-bit
    SprSet *buf2x;     // 640x480, 16-bit; only when a filter mode is configured
    int filter;        // DispFilter
    int stretch;       // stretch the frame over the whole screen
    int frameSkip;     // DISP_FRAMESKIP_AUTO, or N: one frame of every N + 1 is drawn
    int skipCounter;
    int skipFrame;     // the coming frame is neither drawn nor shown
    int noFrameWait;   // the frame timer is not waited for
    int drawn2x;       // the frame was drawn straight into the 2x buffer (no doubling wanted)
};

extern DispState disp;

void DispFrameSkipReset();
void DispFrameSkipUpdate();
// Shows the frame unless it is skipped: filtered into the 2x buffer when a
// filter is on, then centred on the screen or stretched over it.
void DispPresent();

// Each filter reads the top-left 320x240 of a memory bitmap and writes the
// top-left 640x480 of another; nothing happens unless both are 15- or 16-bit
// of the same depth and large enough.
void GfxFilterEdge2x(BITMAP *src, BITMAP *dst);
void GfxFilterBlend2x(BITMAP *src, BITMAP *dst);
// Odd destination rows keep what they held.
void GfxFilterScanline(BITMAP *src, BITMAP *dst);
// Also needs a source width that is a multiple of 4.
void GfxFilterDouble(BITMAP *src, BITMAP *dst);

// Saves the shown buffer as the next free "velok%i.pcx" in the working
// directory; 0 with the reason in LibErrorMsg when it cannot be saved.
int DispScreenshot();
