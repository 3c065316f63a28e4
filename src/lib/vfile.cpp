// Virtual files: one read interface over a disk file, a memory block or one entry of a zip archive.
#include "lib/vfile.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <unzip.h>

#include "lib/libbase.h"
#include "platform/pfile.h"

enum { ZIP_CASE_INSENSITIVE = 2 };

static int IsMemKind(const VFile *vf)
{
    return vf->kind == VFILE_MEM || vf->kind == VFILE_ZIP;
}

static size_t BytesLeft(const VFile *vf)
{
    return vf->cursor < vf->end ? (size_t)(vf->end - vf->cursor) : 0;
}

VFile *VFileOpen(const char *path, const char *mode)
{
    FILE *f = PlatFileOpen(path, mode);
    if (!f)
        return nullptr;
    VFile *vf = (VFile *)LibCalloc(1, sizeof(VFile));
    if (!vf) {
        fclose(f);
        return nullptr;
    }
    vf->kind = VFILE_DISK;
    vf->file = f;
    return vf;
}

VFile *VFileOpenMem(void *block, size_t size)
{
    VFile *vf = (VFile *)LibCalloc(1, sizeof(VFile));
    if (!vf)
        return nullptr;
    vf->kind = VFILE_MEM;
    vf->start = (unsigned char *)block;
    vf->end = size ? vf->start + size : vf->start;
    vf->cursor = vf->start;
    return vf;
}

// Archives open through the platform layer like every other disk file.
static voidpf ZCALLBACK ZipOpenDisk(voidpf, const char *filename, int mode)
{
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    return PlatFileOpen(filename, "rb");
}

VFile *VFileOpenZip(const char *archivePath, const char *entryName)
{
    zlib_filefunc_def io;
    fill_fopen_filefunc(&io);
    io.zopen_file = ZipOpenDisk;
    unzFile archive = unzOpen2(archivePath, &io);
    if (!archive)
        return nullptr;
    VFile *vf = (VFile *)LibCalloc(1, sizeof(VFile));
    if (!vf) {
        unzClose(archive);
        return nullptr;
    }
    vf->kind = VFILE_ZIP;
    vf->archive = archive;
    VFileZipLoad(vf, entryName);
    return vf;
}

// Drops the current entry and its block; the file reads as empty afterwards.
static void ZipDropEntry(VFile *vf)
{
    VFileZipCloseEntry(vf);
    MemFree(vf->start);
    vf->start = vf->end = vf->cursor = nullptr;
    vf->eof = 0;
}

int VFileZipLoad(VFile *vf, const char *entryName)
{
    if (!vf || vf->kind != VFILE_ZIP || !entryName)
        return 0;
    ZipDropEntry(vf);
    unzFile archive = (unzFile)vf->archive;
    if (unzLocateFile(archive, entryName, ZIP_CASE_INSENSITIVE) != UNZ_OK)
        return 0;
    if (unzOpenCurrentFile(archive) != UNZ_OK)
        return 0;
    vf->entryOpen = 1;
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        info.uncompressed_size > (ZPOS64_T)INT_MAX) {
        VFileZipCloseEntry(vf);
        return 0;
    }
    size_t size = (size_t)info.uncompressed_size;
    // LibCalloc gives a real block for an empty entry too.
    unsigned char *block = (unsigned char *)LibCalloc(size, 1);
    if (!block) {
        VFileZipCloseEntry(vf);
        return 0;
    }
    size_t got = 0;
    while (got < size) {
        int n = unzReadCurrentFile(archive, block + got, (unsigned)(size - got));
        if (n < 0) {
            MemFree(block);
            VFileZipCloseEntry(vf);
            return 0;
        }
        if (n == 0)
            break;
        got += (size_t)n;
    }
    vf->start = block;
    vf->cursor = block;
    vf->end = block + got;
    return 1;
}

void VFileZipCloseEntry(VFile *vf)
{
    if (vf && vf->kind == VFILE_ZIP && vf->entryOpen) {
        unzCloseCurrentFile((unzFile)vf->archive);
        vf->entryOpen = 0;
    }
}

void VFileClose(VFile *vf)
{
    if (!vf)
        return;
    switch (vf->kind) {
    case VFILE_DISK:
        if (vf->file)
            fclose(vf->file);
        break;
    case VFILE_MEM:
        if (vf->ownsBlock)
            MemFree(vf->start);
        break;
    case VFILE_ZIP:
        ZipDropEntry(vf);
        unzClose((unzFile)vf->archive);
        break;
    }
    MemFree(vf);
}

int VFileGetc(VFile *vf)
{
    if (vf->kind == VFILE_DISK)
        return fgetc(vf->file);
    if (!IsMemKind(vf))
        return -1;
    if (vf->cursor >= vf->end) {
        vf->eof = 1;
        return -1;
    }
    return *vf->cursor++;
}

char *VFileGets(char *buffer, int size, VFile *vf)
{
    if (vf->kind == VFILE_DISK)
        return fgets(buffer, size, vf->file);
    if (!IsMemKind(vf) || !buffer || size <= 0)
        return nullptr;
    if (vf->cursor >= vf->end) {
        vf->eof = 1;
        return nullptr;
    }
    int n = 0;
    while (n < size - 1) {
        if (vf->cursor >= vf->end) {
            vf->eof = 1;
            break;
        }
        unsigned char c = *vf->cursor++;
        if (c == '\n' || c == '\r')
            break;
        buffer[n++] = (char)c;
    }
    buffer[n] = 0;
    return buffer;
}

int VFileRead(void *buffer, int size, int count, VFile *vf)
{
    if (vf->kind == VFILE_DISK) {
        if (size <= 0 || count <= 0)
            return 0;
        return (int)fread(buffer, (size_t)size, (size_t)count, vf->file);
    }
    if (!IsMemKind(vf))
        return -1;
    if (size <= 0 || count <= 0)
        return 0;
    size_t want = (size_t)size * (size_t)count;
    size_t left = BytesLeft(vf);
    if (want <= left) {
        memcpy(buffer, vf->cursor, want);
        vf->cursor += want;
        return count;
    }
    if (left)
        memcpy(buffer, vf->cursor, left);
    vf->cursor = vf->end;
    vf->eof = 1;
    return -1;
}

int VFileEof(VFile *vf)
{
    if (!vf)
        return 1;
    if (vf->kind == VFILE_DISK)
        return feof(vf->file) ? 1 : 0;
    if (IsMemKind(vf))
        return vf->eof;
    return 1;
}

int VFileSeek(VFile *vf, long offset, int origin)
{
    if (vf->kind == VFILE_DISK)
        return fseek(vf->file, offset, origin);
    if (!IsMemKind(vf))
        return 1;
    // Any seek clears the end flag, a refused one too: the cursor stays, but
    // the caller has moved on from the read that met the end.
    vf->eof = 0;
    int64_t size = (int64_t)(vf->end - vf->start);
    int64_t base;
    switch (origin) {
    case 0: base = 0; break;
    case 1: base = (int64_t)(vf->cursor - vf->start); break;
    case 2: base = size; break;
    default: return 1;
    }
    // No position in the block is further than its size from the base.
    if (offset > size || offset < -size)
        return 1;
    int64_t pos = base + (int64_t)offset;
    if (pos < 0 || pos > size)
        return 1;
    vf->cursor = vf->start + pos;
    return 0;
}

long VFileTell(VFile *vf)
{
    if (vf->kind == VFILE_DISK)
        return ftell(vf->file);
    if (!IsMemKind(vf))
        return -1;
    return (long)(vf->cursor - vf->start);
}

int VFileReadLe16(VFile *vf)
{
    int lo = VFileGetc(vf);
    int hi = VFileGetc(vf);
    if (lo < 0 || hi < 0)
        return -1;
    return lo | (hi << 8);
}

int VFileReadLe32(VFile *vf)
{
    unsigned v = 0;
    for (int i = 0; i < 4; i++) {
        int c = VFileGetc(vf);
        if (c < 0)
            return -1;
        v |= (unsigned)c << (8 * i);
    }
    return (int)v;
}
