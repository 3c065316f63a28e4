// Sprite file reader: sprite files and single PCX images into sprite sets, whole or selectively.
#pragma once

struct SprSet;
struct VFile;

// Reader settings, process-wide: set at start-up before any loader thread
// exists, read by every thread that loads. Load depth 16 reads no palettes;
// the memory flag reads a whole file into memory before parsing it.
void SprReadSetLoadDepth(int depth);
void SprReadSetLoadToMemory(int flag);
int SprReadLoadDepth();
int SprReadLoadToMemory();

// A ".sff" sprite file or a ".pcx" image; null for any other extension or on failure.
SprSet *SprLoad(const char *path);
// A sprite file starting at the stream's position; the stream is returned there.
SprSet *SprLoadStream(VFile *f);
// A one-image set keyed (0, 0) from the PCX at the stream's position.
SprSet *SprLoadPcxStream(VFile *f, int xAxis, int yAxis);
// Only the images whose (group, number) pairs stand in the list, which ends
// with a pair whose group is -1.
SprSet *SprLoadSelected(const char *path, const int *list);
SprSet *SprLoadSelectedStream(VFile *f, const int *list);
