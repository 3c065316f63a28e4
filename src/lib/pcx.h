// PCX image decoding (8-bit with palette, 24-bit) into packed pixel blocks.
#pragma once

struct VFile;
struct Palette;

// Largest decoded image accepted, in bytes.
enum { PCX_MAX_BYTES = 64 * 1024 * 1024 };

// Decodes the PCX at the stream's position into a new block of width * height *
// (bits / 8) bytes with rows packed. For 8-bit images a given palette record is
// initialised with 256 copied colours. On success the stream is back at the
// PCX's first byte; null when the image is refused or memory runs out.
unsigned char *PcxDecode(VFile *f, int *width, int *height, int *bpp, int *byteLength, Palette *pal);
