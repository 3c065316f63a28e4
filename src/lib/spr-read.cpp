// Sprite file reader: sprite files and single PCX images into sprite sets, whole or selectively.
#include "lib/spr-read.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/pcx.h"
#include "lib/spr-lib.h"
#include "lib/vfile.h"
#include "platform/pfile.h"

enum {
    SFF_HEADER_SIZE = 512,
    SFF_SUBFILE_SIZE = 32,
    SFF_VERSION = 0x01000100,
    SFF_NO_PALETTE_DEPTH = 16,
};

static const char sffMagic[12] = {'T', 'a', 'r', 'n', 'w', 'i', 'c', 'k', 'S', 'p', 'r', 0};

// Set once at start-up before any loader thread starts and read by every
// thread that loads afterwards (characters load on the pre-caching thread).
static std::atomic<int> loadDepth{0};
static std::atomic<int> loadToMemory{0};

void SprReadSetLoadDepth(int depth)
{
    loadDepth.store(depth, std::memory_order_relaxed);
}

void SprReadSetLoadToMemory(int flag)
{
    loadToMemory.store(flag, std::memory_order_relaxed);
}

int SprReadLoadDepth()
{
    return loadDepth.load(std::memory_order_relaxed);
}

int SprReadLoadToMemory()
{
    return loadToMemory.load(std::memory_order_relaxed);
}

static int32_t Le32(const unsigned char *p)
{
    return (int32_t)((uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24));
}

static int Le16s(const unsigned char *p)
{
    return (int16_t)(uint16_t)(p[0] | (p[1] << 8));
}

struct SffHeader {
    int32_t version;
    int count;
    int32_t first;
};

struct SubHeader {
    int64_t pos;   // stream position of the subfile header
    int32_t next;
    int32_t dataLength;
    int x, y, group, number, linkIndex;
    int samePal;
};

// The stream's reach: where it started and where it ends.
struct SffStream {
    VFile *f;
    int64_t start;
    int64_t end;
};

static bool StreamOpen(SffStream *s, VFile *f)
{
    s->f = f;
    s->start = VFileTell(f);
    if (s->start < 0 || VFileSeek(f, 0, 2) != 0)
        return false;
    s->end = VFileTell(f);
    return VFileSeek(f, (long)s->start, 0) == 0 && s->end >= s->start;
}

static bool ReadHeader(SffStream *s, SffHeader *h)
{
    unsigned char b[SFF_HEADER_SIZE];
    if (VFileRead(b, SFF_HEADER_SIZE, 1, s->f) != 1)
        return false;
    if (memcmp(b, sffMagic, sizeof sffMagic) != 0)
        return false;
    h->version = Le32(b + 12);
    if (h->version != SFF_VERSION)
        return false;
    int32_t count = Le32(b + 20);
    h->count = count < 0 ? 0 : count;
    h->first = Le32(b + 24);
    return true;
}

// Most subfiles the stream can hold: each needs its own 32-byte header.
static int64_t MaxSubfiles(const SffStream *s)
{
    int64_t room = s->end - s->start - SFF_HEADER_SIZE;
    return room > 0 ? room / SFF_SUBFILE_SIZE : 0;
}

// Offsets count from the start of the sprite file; a header outside the stream fails.
static bool ReadSubHeader(SffStream *s, int32_t offset, SubHeader *h)
{
    int64_t pos = s->start + (int64_t)offset;
    if (offset < 0 || pos + SFF_SUBFILE_SIZE > s->end)
        return false;
    if (VFileSeek(s->f, (long)pos, 0) != 0)
        return false;
    unsigned char b[SFF_SUBFILE_SIZE];
    if (VFileRead(b, SFF_SUBFILE_SIZE, 1, s->f) != 1)
        return false;
    h->pos = pos;
    h->next = Le32(b);
    h->dataLength = Le32(b + 4);
    h->x = Le16s(b + 8);
    h->y = Le16s(b + 10);
    h->group = Le16s(b + 12);
    h->number = Le16s(b + 14);
    h->linkIndex = Le16s(b + 16);
    h->samePal = b[18] != 0;
    return true;
}

// What a load may decode in all. Run-length data fills at most 63 pixels per
// two bytes, so the images of a well-formed file come to less than 32 times its
// size; a file whose images claim far more (a few kilobytes of subfiles each
// declaring the largest image) holds no picture, only a demand for memory.
enum { SFF_DECODE_PER_BYTE = 64 };

static int64_t DecodeBudget(const SffStream *s)
{
    int64_t budget = (s->end - s->start) * SFF_DECODE_PER_BYTE;
    return budget > (int64_t)PCX_MAX_BYTES ? budget : (int64_t)PCX_MAX_BYTES;
}

// Palette bookkeeping shared by the whole and the selective reader.
struct PalState {
    int last = -1;
    int count = 0;
};

// Decodes the PCX at the stream's position into an image that owns its
// pixels, reading and adding its palette by the same-palette rule; the
// image's bytes come off the load's budget, and one past it fails.
static bool DecodeStored(SprSet *set, VFile *f, int samePal, int x, int y, PalState *ps, int64_t *budget,
                         SprImage *img)
{
    bool readPal = loadDepth != SFF_NO_PALETTE_DEPTH && !(ps->last != -1 && samePal);
    Palette pal;
    memset(&pal, 0, sizeof pal);
    int w, h, bpp, len;
    unsigned char *pixels = PcxDecode(f, &w, &h, &bpp, &len, readPal ? &pal : nullptr);
    if (!pixels)
        return false;
    if (len > *budget) {
        PalFree(&pal);
        MemFree(pixels);
        return false;
    }
    *budget -= len;
    if (bpp > 8)
        readPal = false;
    if (readPal && !SprSetAddPal(set, &pal, 0, ps->count)) {
        PalFree(&pal);
        MemFree(pixels);
        return false;
    }
    if (!SprImageInit(img, SPR_PIXELS_HEAP, pixels, len, 0, w, h, bpp, x, y)) {
        MemFree(pixels);
        return false;
    }
    img->ownsPixels = 1;
    if (readPal) {
        SprImageLinkPal(img, set, 0, ps->count);
        ps->last = ps->count;
        ps->count++;
    } else if (samePal && ps->last != -1) {
        SprImageLinkPal(img, set, 0, ps->last);
    }
    return true;
}

static bool AddImage(SprSet *set, SprImage *img, int group, int number)
{
    if (SprSetAddImage(set, img, group, number))
        return true;
    SprImageFree(img);
    return false;
}

static SprSet *LoadFail(SprSet *set, const SffStream *s)
{
    SprSetFree(set);
    if (s->start >= 0)
        VFileSeek(s->f, (long)s->start, 0);
    return nullptr;
}

SprSet *SprLoadStream(VFile *f)
{
    SffStream s;
    if (!StreamOpen(&s, f))
        return LoadFail(nullptr, &s);
    SffHeader hdr;
    if (!ReadHeader(&s, &hdr))
        return LoadFail(nullptr, &s);
    int64_t maxSub = MaxSubfiles(&s);
    int capacity = (int)(hdr.count < maxSub ? hdr.count : maxSub);
    SprSet *set = SprSetCreate(capacity, 1);
    if (!set)
        return LoadFail(nullptr, &s);

    PalState ps;
    int64_t budget = DecodeBudget(&s);
    // Slot of each subfile's image, -1 when it was skipped.
    std::vector<int> slotOf;
    int32_t offset = hdr.first;
    for (int i = 0; i < hdr.count; i++) {
        // A valid file has a distinct header per subfile.
        if (i >= maxSub)
            return LoadFail(set, &s);
        SubHeader sh;
        if (!ReadSubHeader(&s, offset, &sh))
            return LoadFail(set, &s);
        SprImage img;
        if (sh.dataLength <= 0) {
            int link = sh.linkIndex;
            if (link < 0 || link >= i || slotOf[link] < 0) {
                // Names no image read so far: this image is left out.
                slotOf.push_back(-1);
                offset = sh.next;
                continue;
            }
            SprImageCopy(&img, SprSetImageAt(set, slotOf[link]), 0);
            SprImageSetAxis(&img, sh.x, sh.y);
        } else if (!DecodeStored(set, f, sh.samePal, sh.x, sh.y, &ps, &budget, &img)) {
            return LoadFail(set, &s);
        }
        if (!AddImage(set, &img, sh.group, sh.number))
            return LoadFail(set, &s);
        slotOf.push_back(SprSetImageCount(set) - 1);
        offset = sh.next;
    }
    VFileSeek(f, (long)(s.start + SFF_HEADER_SIZE), 0);
    set->version = hdr.version;
    VFileSeek(f, (long)s.start, 0);
    return set;
}

SprSet *SprLoadPcxStream(VFile *f, int xAxis, int yAxis)
{
    SprSet *set = SprSetCreate(1, 1);
    if (!set)
        return nullptr;
    Palette pal;
    memset(&pal, 0, sizeof pal);
    int w, h, bpp, len;
    unsigned char *pixels = PcxDecode(f, &w, &h, &bpp, &len, &pal);
    if (!pixels) {
        SprSetFree(set);
        return nullptr;
    }
    set->raw = pixels;
    if (bpp <= 8 && !SprSetAddPal(set, &pal, 0, 0)) {
        PalFree(&pal);
        SprSetFree(set);
        return nullptr;
    }
    SprImage img;
    if (!SprImageInit(&img, SPR_PIXELS_HEAP, pixels, len, 0, w, h, bpp, xAxis, yAxis)) {
        SprSetFree(set);
        return nullptr;
    }
    if (bpp <= 8)
        SprImageLinkPal(&img, set, 0, 0);
    if (!AddImage(set, &img, 0, 0)) {
        SprSetFree(set);
        return nullptr;
    }
    return set;
}

// Opens a disk file, whole into memory when the memory flag is set.
static VFile *OpenForRead(const char *path)
{
    if (!loadToMemory)
        return VFileOpen(path, "rb");
    FILE *fp = PlatFileOpen(path, "rb");
    if (!fp)
        return nullptr;
    long length = FileLength(fp);
    if (length < 0) {
        fclose(fp);
        return nullptr;
    }
    unsigned char *block = (unsigned char *)LibCalloc((size_t)length, 1);
    if (!block) {
        fclose(fp);
        return nullptr;
    }
    size_t got = fread(block, 1, (size_t)length, fp);
    fclose(fp);
    VFile *f = got == (size_t)length ? VFileOpenMem(block, length) : nullptr;
    if (!f) {
        MemFree(block);
        return nullptr;
    }
    f->ownsBlock = 1;
    return f;
}

SprSet *SprLoad(const char *path)
{
    int type = FileTypeFromExt(path);
    if (type != FILETYPE_PCX && type != FILETYPE_SFF)
        return nullptr;
    VFile *f = OpenForRead(path);
    if (!f)
        return nullptr;
    VFileSeek(f, 0, 0);
    SprSet *set = type == FILETYPE_PCX ? SprLoadPcxStream(f, 0, 0) : SprLoadStream(f);
    VFileClose(f);
    return set;
}

// A linked subfile's image comes from the stored subfile at the end of its link chain.
static int LinkTarget(const std::vector<SubHeader> &seen, int ordinal)
{
    int t = seen[ordinal].linkIndex;
    int below = ordinal;
    while (t >= 0 && t < below) {
        if (seen[t].dataLength > 0)
            return t;
        below = t;
        t = seen[t].linkIndex;
    }
    return -1;
}

SprSet *SprLoadSelectedStream(VFile *f, const int *list)
{
    SffStream s;
    if (!StreamOpen(&s, f))
        return LoadFail(nullptr, &s);
    SffHeader hdr;
    if (!ReadHeader(&s, &hdr))
        return LoadFail(nullptr, &s);
    std::set<std::pair<int, int>> wanted;
    for (const int *p = list; p && p[0] != -1; p += 2)
        wanted.insert({p[0], p[1]});
    int n = (int)wanted.size();
    SprSet *set = SprSetCreate(n, 1);
    if (!set)
        return LoadFail(nullptr, &s);

    PalState ps;
    int64_t budget = DecodeBudget(&s);
    std::vector<SubHeader> seen;
    int64_t maxSub = MaxSubfiles(&s);
    int found = 0;
    int32_t offset = hdr.first;
    for (int i = 0; i < hdr.count && found < n; i++) {
        if (i >= maxSub)
            return LoadFail(set, &s);
        SubHeader sh;
        if (!ReadSubHeader(&s, offset, &sh))
            return LoadFail(set, &s);
        seen.push_back(sh);
        offset = sh.next;
        if (!wanted.count({sh.group, sh.number}) || SprSetFindImage(set, sh.group, sh.number) >= 0)
            continue;
        const SubHeader *stored = &sh;
        if (sh.dataLength <= 0) {
            // Decode the image it links to, so that the image owns its own pixels.
            int t = LinkTarget(seen, i);
            if (t < 0)
                continue;
            stored = &seen[t];
            if (VFileSeek(f, (long)(stored->pos + SFF_SUBFILE_SIZE), 0) != 0)
                return LoadFail(set, &s);
        }
        SprImage img;
        if (!DecodeStored(set, f, stored->samePal, sh.x, sh.y, &ps, &budget, &img))
            return LoadFail(set, &s);
        if (!AddImage(set, &img, sh.group, sh.number))
            return LoadFail(set, &s);
        found++;
    }
    VFileSeek(f, (long)(s.start + SFF_HEADER_SIZE), 0);
    VFileSeek(f, (long)s.start, 0);
    return set;
}

SprSet *SprLoadSelected(const char *path, const int *list)
{
    VFile *f = VFileOpen(path, "rb");
    if (!f)
        return nullptr;
    SprSet *set = SprLoadSelectedStream(f, list);
    VFileClose(f);
    return set;
}
