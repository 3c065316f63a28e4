// Graphics-driver facts of this platform, as the start-up check reads them.
#pragma once

// The graphics-driver version in the form 0xMMmm; this platform draws through
// Allegro's X11 drivers and reports the 7.0 that the check asks for.
int PlatDxVersionGet();
