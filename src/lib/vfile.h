// Virtual files: one read interface over a disk file, a memory block or one entry of a zip archive.
#pragma once
#include <cstddef>
#include <cstdio>

enum VFileKind {
    VFILE_DISK = 1,
    VFILE_MEM = 2,
    VFILE_ZIP = 3,
};

struct VFile {
    int kind;
    FILE *file;     // VFILE_DISK
    void *archive;  // VFILE_ZIP: the open archive (minizip handle)
    unsigned char *start;   // memory block (VFILE_MEM, VFILE_ZIP)
    unsigned char *end;     // one past the last byte
    unsigned char *cursor;  // next byte to read
    int ownsBlock;  // VFILE_MEM: closing frees the block (allocated with LibCalloc or malloc)
    int freeMode;   // 0: freed with the allocator's free (the only mode supported)
    int eof;        // a read met the block end; cleared by a seek
    int entryOpen;  // VFILE_ZIP: an entry is open in the archive
};

// Null when the file does not open, or (out-of-memory flag raised) when the record cannot be allocated.
VFile *VFileOpen(const char *path, const char *mode);
// Over [block, block + size), not owning it; set ownsBlock to hand the block over.
VFile *VFileOpenMem(void *block, size_t size);
// Null when the archive does not open; when the entry does not load, the file
// is still returned and reads as empty.
VFile *VFileOpenZip(const char *archivePath, const char *entryName);
// Loads another entry of the same archive (found in any case) in place of the
// current one; 1, or 0 on failure (the file then reads as empty).
int VFileZipLoad(VFile *vf, const char *entryName);
void VFileZipCloseEntry(VFile *vf);
void VFileClose(VFile *vf);

int VFileGetc(VFile *vf);
// Memory kinds: copies up to size - 1 bytes, stopping at "\n" or "\r" (consumed,
// not stored). Null only when nothing is left; a last line without a line end
// is returned (with the end flag set), as fgets does.
char *VFileGets(char *buffer, int size, VFile *vf);
// Memory kinds: count when every byte was there; else copies what is left,
// sets the end flag and returns -1.
int VFileRead(void *buffer, int size, int count, VFile *vf);
int VFileEof(VFile *vf);
// Origin 0 start, 1 cursor, 2 end. 0 on success; 1 when the position would
// leave the block (the cursor stays).
int VFileSeek(VFile *vf, long offset, int origin);
long VFileTell(VFile *vf);
// -1 when any byte is missing.
int VFileReadLe16(VFile *vf);
int VFileReadLe32(VFile *vf);
