// Versus screen: both teams' large portraits and names over the versus background, with its fades, while their characters are pre-cached.
#pragma once

struct VsScreen {
    int frame;         // frames shown
    int fadeOutStart;  // the frame the closing fade starts on
    int level;         // the fade level of the frame to draw, 0 to 256
};

// The screen with its own frame loop; 1 when it ran to its end or a button
// cut it short, 0 when cancelled.
int VsScreenRun();
// The screen in parts, for callers that step it: the entry, one frame's
// input (read from the input engine's events, or given) with the result of
// CharSelUpdate's kind, the frame's drawing.
void VsScreenBegin(VsScreen *vs);
int VsScreenTick(VsScreen *vs);
int VsScreenUpdate(VsScreen *vs, const int input[2], int escape);
void VsScreenDraw(const VsScreen *vs);
