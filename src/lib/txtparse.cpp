// Text definition files: groups in square brackets, key = value lines, ";" comments, and an editing mode.
#include "lib/txtparse.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "lib/libbase.h"
#include "lib/vfile.h"
#include "platform/pfile.h"

static const char txtParseEndMark[] = "[TPEnd]";

static int AtGroupEnd(const TxtParseFile *tp, int line);

// ---------------------------------------------------------------------------
// Reading

// One piece of a physical line, at most TXTPARSE_CHUNK characters, without its line end.
struct TxtParseChunk {
    char text[TXTPARSE_CHUNK + 2];
    int len;
    int lineEnded;  // no more pieces of this physical line follow
    int newline;    // ended by "\n" (disk files; memory files drop their line ends)
};

// Fills the chunk; 0 at the end of the input.
typedef int (*TxtParseChunkReader)(void *src, TxtParseChunk *c);

static int TxtParseReadStdio(void *src, TxtParseChunk *c)
{
    FILE *f = (FILE *)src;
    if (!fgets(c->text, TXTPARSE_CHUNK + 1, f))
        return 0;
    c->len = (int)strlen(c->text);
    c->newline = 0;
    if (c->len > 0 && c->text[c->len - 1] == '\n') {
        c->text[--c->len] = 0;
        c->lineEnded = 1;
        c->newline = 1;
    } else {
        // A full piece may be continued; a short one without "\n" ends the file.
        c->lineEnded = c->len < TXTPARSE_CHUNK;
    }
    return 1;
}

// Memory and zip files: "\n" and "\r" both end a line and are dropped by VFileGets.
static int TxtParseReadMem(void *src, TxtParseChunk *c)
{
    if (!VFileGets(c->text, TXTPARSE_CHUNK + 1, (VFile *)src))
        return 0;
    c->len = (int)strlen(c->text);
    c->lineEnded = c->len < TXTPARSE_CHUNK;
    c->newline = 0;
    return 1;
}

static int IsTrimChar(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

static int IsHeaderText(const char *s, size_t len)
{
    return len >= 2 && s[0] == '[' && s[len - 1] == ']';
}

struct TxtParseBuilder {
    TxtParseText *t;
    std::string raw;  // the physical line so far (edit mode)
    int inComment;    // a ";" met earlier on this physical line
};

// Applies the line format to one piece and keeps what is left.
static void TxtParseKeepChunk(TxtParseBuilder *b, const TxtParseChunk *c)
{
    TxtParseText *t = b->t;
    int col = (int)b->raw.size();
    if (t->edit)
        b->raw.append(c->text, (size_t)c->len);
    // The rest of a long line whose comment began in an earlier piece is comment too.
    if (b->inComment)
        return;
    size_t len = (size_t)c->len;
    const char *semi = (const char *)memchr(c->text, ';', len);
    if (semi) {
        len = (size_t)(semi - c->text);
        b->inComment = 1;
    }
    const char *s = c->text;
    while (len > 0 && IsTrimChar(s[len - 1]))
        len--;
    while (len > 0 && IsTrimChar(*s)) {
        s++;
        len--;
    }
    if (len == 0)
        return;
    // Offsets and indexes are ints.
    if (t->text.size() > (size_t)INT_MAX / 2)
        throw std::bad_alloc();
    int line = t->lineCount;
    t->lines.push_back((int)t->text.size());
    t->text.insert(t->text.end(), s, s + len);
    t->text.push_back(0);
    t->lineCount++;
    int header = IsHeaderText(s, len);
    t->isHeader.push_back((unsigned char)header);
    if (header) {
        t->groups.push_back(line);
        t->groupCount++;
    }
    if (t->edit)
        t->edit->map.push_back({(int)t->edit->raw.size(), col, 0});
}

// A "\r" before the "\n" is the line end of a CRLF file: saving writes it back
// as a line end, and edits never see it.
static void TxtParseEndPhysicalLine(TxtParseBuilder *b, int newline)
{
    TxtParseText *t = b->t;
    if (t->edit) {
        int crlf = newline && !b->raw.empty() && b->raw.back() == '\r';
        if (crlf)
            b->raw.pop_back();
        else if (!newline && !t->edit->raw.empty())
            crlf = t->edit->crlf;  // an unterminated last line gets the file's line end
        if (t->edit->raw.empty())
            t->edit->crlf = crlf;
        if (t->edit->raw.size() > (size_t)INT_MAX / 2)
            throw std::bad_alloc();
        t->edit->raw.push_back({b->raw, crlf});
    }
    b->raw.clear();
    b->inComment = 0;
}

static void TxtParseTextFree(TxtParseText *t)
{
    if (!t)
        return;
    delete t->edit;
    delete t;
}

static TxtParseFile *TxtParseBuild(TxtParseChunkReader reader, void *src, long length, int edit)
{
    TxtParseText *t = nullptr;
    try {
        t = new TxtParseText();
        t->refCount = 1;
        t->textLength = length;
        // Room for the whole file as a start; long lines cut into pieces add
        // terminators, so the block grows when it has to.
        size_t room = length > 0 ? (size_t)length : 0;
        t->text.reserve((room < ((size_t)1 << 26) ? room : ((size_t)1 << 26)) + 16);
        t->lines.reserve(257);
        t->groups.reserve(65);
        if (edit) {
            t->edit = new TxtParseEdit();
            t->edit->raw.reserve(256);
            t->edit->map.reserve(257);
        }
        TxtParseBuilder b{t, std::string(), 0};
        TxtParseChunk c;
        int pending = 0;  // a physical line has pieces not yet ended
        while (reader(src, &c)) {
            TxtParseKeepChunk(&b, &c);
            pending = 1;
            if (c.lineEnded) {
                TxtParseEndPhysicalLine(&b, c.newline);
                pending = 0;
            }
        }
        if (pending)
            TxtParseEndPhysicalLine(&b, 0);
        t->lines.push_back((int)t->text.size());
        t->text.insert(t->text.end(), txtParseEndMark, txtParseEndMark + sizeof txtParseEndMark);
    } catch (const std::bad_alloc &) {
        LibOutOfMemory = 1;
        TxtParseTextFree(t);
        return nullptr;
    }
    TxtParseFile *tp = (TxtParseFile *)LibCalloc(1, sizeof(TxtParseFile));
    if (!tp) {
        TxtParseTextFree(t);
        return nullptr;
    }
    tp->shared = t;
    tp->group = -1;
    tp->groupFirstLine = 0;
    tp->groupTextOffset = 0;
    tp->cursor = 0;
    tp->endFlag = AtGroupEnd(tp, 0);
    return tp;
}

// Reads an open stdio file from its current position.
static TxtParseFile *TxtParseReadFile(FILE *f, int edit)
{
    long pos = ftell(f);
    long len = FileLength(f);
    return TxtParseBuild(TxtParseReadStdio, f, len > pos && pos >= 0 ? len - pos : 0, edit);
}

static TxtParseFile *TxtParseReadVfile(VFile *vf)
{
    long left = vf->cursor < vf->end ? (long)(vf->end - vf->cursor) : 0;
    return TxtParseBuild(TxtParseReadMem, vf, left, 0);
}

static TxtParseFile *TxtParseOpenMode(const char *path, int edit)
{
    FILE *f = PlatFileOpen(path, "rt");
    if (!f)
        return nullptr;
    TxtParseFile *tp = TxtParseReadFile(f, edit);
    fclose(f);
    return tp;
}

TxtParseFile *TxtParseOpen(const char *path)
{
    return TxtParseOpenMode(path, 0);
}

TxtParseFile *TxtParseOpenEdit(const char *path)
{
    return TxtParseOpenMode(path, 1);
}

TxtParseFile *TxtParseOpenVfile(VFile *vf)
{
    if (!vf)
        return nullptr;
    if (vf->kind == VFILE_DISK)
        return TxtParseReadFile(vf->file, 0);
    if (vf->kind != VFILE_MEM && vf->kind != VFILE_ZIP)
        return nullptr;
    return TxtParseReadVfile(vf);
}

TxtParseFile *TxtParseDup(TxtParseFile *tp)
{
    TxtParseFile *d = (TxtParseFile *)LibCalloc(1, sizeof(TxtParseFile));
    if (!d)
        return nullptr;
    *d = *tp;
    tp->shared->refCount++;
    return d;
}

void TxtParseClose(TxtParseFile *tp)
{
    if (!tp)
        return;
    if (--tp->shared->refCount <= 0)
        TxtParseTextFree(tp->shared);
    MemFree(tp);
}

int TxtParseSave(TxtParseFile *tp, const char *path)
{
    TxtParseEdit *e = tp->shared->edit;
    if (!e)
        return 0;
    FILE *f = PlatFileOpen(path, "wt");
    if (!f)
        return 0;
    for (const TxtParseRawLine &r : e->raw) {
        fputs(r.text.c_str(), f);
        fputs(r.crlf ? "\r\n" : "\n", f);
    }
    int ok = !ferror(f);
    if (fclose(f) != 0)
        ok = 0;
    return ok;
}

// ---------------------------------------------------------------------------
// Lines and groups

static const char *LineText(const TxtParseFile *tp, int line)
{
    return &tp->shared->text[(size_t)tp->shared->lines[(size_t)line]];
}

static int LineIsHeader(const TxtParseFile *tp, int line)
{
    return tp->shared->isHeader[(size_t)line];
}

// A line index at or beyond the last line, or on a header, ends a group.
static int AtGroupEnd(const TxtParseFile *tp, int line)
{
    return line < 0 || line >= tp->shared->lineCount || LineIsHeader(tp, line);
}

static void GroupSelect(TxtParseFile *tp, int g)
{
    int first = tp->shared->groups[(size_t)g] + 1;
    tp->group = g;
    tp->groupFirstLine = first;
    tp->cursor = first;
    tp->groupTextOffset = tp->shared->lines[(size_t)first];
    tp->endFlag = AtGroupEnd(tp, first);
}

// After a failed selection nothing is found, so loaders keep their defaults.
static void GroupNone(TxtParseFile *tp)
{
    int n = tp->shared->lineCount;
    tp->group = -1;
    tp->groupFirstLine = n;
    tp->cursor = n;
    tp->groupTextOffset = tp->shared->lines[(size_t)n];
    tp->endFlag = 1;
}

static int GroupEndLine(const TxtParseFile *tp)
{
    int i = tp->groupFirstLine;
    while (!AtGroupEnd(tp, i))
        i++;
    return i;
}

int TxtParseGroupSet(TxtParseFile *tp, const char *name)
{
    if (name) {
        std::string want = std::string("[") + name + "]";
        int n = (int)want.size();
        for (int g = 0; g < tp->shared->groupCount; g++) {
            if (StrNCaseEq(LineText(tp, tp->shared->groups[(size_t)g]), want.c_str(), n)) {
                GroupSelect(tp, g);
                return tp->groupTextOffset;
            }
        }
    }
    GroupNone(tp);
    return -1;
}

int TxtParseGroupSetIndex(TxtParseFile *tp, int index)
{
    if (index < 0 || index >= tp->shared->groupCount) {
        GroupNone(tp);
        return -1;
    }
    GroupSelect(tp, index);
    return tp->groupTextOffset;
}

const char *TxtParseGroupFirst(TxtParseFile *tp)
{
    if (tp->shared->groupCount == 0)
        return nullptr;
    GroupSelect(tp, 0);
    return LineText(tp, tp->shared->groups[0]);
}

const char *TxtParseGroupNext(TxtParseFile *tp)
{
    int g = tp->group + 1;
    if (g >= tp->shared->groupCount)
        return nullptr;
    GroupSelect(tp, g);
    return LineText(tp, tp->shared->groups[(size_t)g]);
}

int TxtParseGroupCount(TxtParseFile *tp, const char *prefix)
{
    int n = 0;
    for (int g = 0; g < tp->shared->groupCount; g++)
        if (StrCaseEqPrefix(LineText(tp, tp->shared->groups[(size_t)g]) + 1, prefix))
            n++;
    return n;
}

void TxtParseGroupRewind(TxtParseFile *tp)
{
    tp->cursor = tp->groupFirstLine;
    tp->endFlag = AtGroupEnd(tp, tp->cursor);
}

void TxtParseGroupReset(TxtParseFile *tp)
{
    tp->cursor = tp->groupFirstLine;
    tp->endFlag = 0;
}

// ---------------------------------------------------------------------------
// Keys and values

static int KeyMatches(const char *line, const char *key, size_t keyLen)
{
    if (!StrNCaseEq(line, key, (int)keyLen))
        return 0;
    char c = line[keyLen];
    return c == ' ' || c == '\t' || c == '\r' || c == '=';
}

static const char *LineValue(const char *line)
{
    const char *eq = strchr(line, '=');
    if (!eq)
        return line + strlen(line);
    eq++;
    while (IsTrimChar(*eq))
        eq++;
    return eq;
}

// Line of the n-th occurrence of the key from a line to the group end, or -1.
// Keys are looked up only inside a group.
static int FindKey(const TxtParseFile *tp, const char *key, int from, int n)
{
    if (!key || tp->group < 0 || n < 0)
        return -1;
    size_t keyLen = strlen(key);
    for (int i = from; !AtGroupEnd(tp, i); i++) {
        if (KeyMatches(LineText(tp, i), key, keyLen) && n-- == 0)
            return i;
    }
    return -1;
}

static const char *TakeValue(TxtParseFile *tp, int line)
{
    tp->cursor = line + 1;
    tp->endFlag = AtGroupEnd(tp, tp->cursor);
    return LineValue(LineText(tp, line));
}

const char *TxtParseValueGet(TxtParseFile *tp, const char *key)
{
    int line = FindKey(tp, key, tp->groupFirstLine, 0);
    return line < 0 ? nullptr : TakeValue(tp, line);
}

const char *TxtParseValueGetNext(TxtParseFile *tp, const char *key)
{
    if (tp->endFlag)
        return nullptr;
    int line = FindKey(tp, key, tp->cursor, 0);
    return line < 0 ? nullptr : TakeValue(tp, line);
}

int TxtParseIntGet(TxtParseFile *tp, const char *key, int *out)
{
    const char *v = TxtParseValueGet(tp, key);
    if (!v)
        return 0;
    *out = atoi(v);
    return 1;
}

int TxtParseFloatGet(TxtParseFile *tp, const char *key, float *out)
{
    const char *v = TxtParseValueGet(tp, key);
    if (!v)
        return 0;
    *out = (float)atof(v);
    return 1;
}

int TxtParseIntPairGet(TxtParseFile *tp, const char *key, int *a, int *b)
{
    int x = *a, y = *b;
    int n = TxtParseScan(tp, key, "%i,%i", &x, &y);
    if (n >= 1)
        *a = x;
    if (n >= 2)
        *b = y;
    return n;
}

int TxtParseFloatPairGet(TxtParseFile *tp, const char *key, float *a, float *b)
{
    float x = *a, y = *b;
    int n = TxtParseScan(tp, key, "%f,%f", &x, &y);
    if (n >= 1)
        *a = x;
    if (n >= 2)
        *b = y;
    return n;
}

static int IsScanBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads one field with the standard conversion; the characters used, or -1.
template <typename T>
static int ScanOne(const char *in, const char *conv, T *out)
{
    T v{};
    int used = 0;
    if (sscanf(in, conv, &v, &used) != 1)
        return -1;
    *out = v;
    return used;
}

int TxtParseVsscanf(const char *value, const char *format, va_list ap)
{
    if (!value || !*value || !format || !*format)
        return 0;
    const char *in = value;
    int count = 0;
    for (const char *f = format; *f; f++) {
        if (*f == ' ') {
            while (IsScanBlank(*in))
                in++;
            continue;
        }
        if (*f == ',') {
            if (*in != ',')
                return count;
            in++;
            continue;
        }
        if (*f != '%')
            LibFatal("vsscanf died Part II");
        f++;
        int width = 0;
        bool widthGiven = *f >= '0' && *f <= '9';
        while (*f >= '0' && *f <= '9' && width < 100000)
            width = width * 10 + (*f++ - '0');
        // Only a word takes a width; elsewhere it would be read and ignored.
        if (widthGiven && *f != 's')
            LibFatal("vsscanf died");
        int used = -1;
        if (*f == 'l') {
            f++;
            if (*f == 'd')
                used = ScanOne(in, "%ld%n", va_arg(ap, long *));
            else if (*f == 'u')
                used = ScanOne(in, "%lu%n", va_arg(ap, unsigned long *));
            else if (*f == 'g')
                used = ScanOne(in, "%lg%n", va_arg(ap, double *));
            else
                LibFatal("vsscanf died");
        } else if (*f == 's') {
            // Bounded: a line is never longer than one piece, so a plain %s
            // needs at most TXTPARSE_CHUNK + 1 bytes.
            if (width <= 0 || width > TXTPARSE_CHUNK)
                width = TXTPARSE_CHUNK;
            char conv[16];
            snprintf(conv, sizeof conv, "%%%ds%%n", width);
            char word[TXTPARSE_CHUNK + 1];
            int n = 0;
            if (sscanf(in, conv, word, &n) == 1) {
                char *out = va_arg(ap, char *);
                memcpy(out, word, strlen(word) + 1);
                used = n;
            }
        } else {
            switch (*f) {
            case 'c': used = ScanOne(in, "%c%n", va_arg(ap, char *)); break;
            case 'd': used = ScanOne(in, "%d%n", va_arg(ap, int *)); break;
            case 'i': used = ScanOne(in, "%i%n", va_arg(ap, int *)); break;
            case 'e':
            case 'f':
            case 'g': used = ScanOne(in, "%f%n", va_arg(ap, float *)); break;
            case 'o': used = ScanOne(in, "%o%n", va_arg(ap, unsigned *)); break;
            case 'u': used = ScanOne(in, "%u%n", va_arg(ap, unsigned *)); break;
            case 'x': used = ScanOne(in, "%x%n", va_arg(ap, unsigned *)); break;
            default: LibFatal("vsscanf died");
            }
        }
        if (used < 0)
            return count;
        in += used;
        count++;
    }
    return count;
}

int TxtParseScan(TxtParseFile *tp, const char *key, const char *format, ...)
{
    const char *v = TxtParseValueGet(tp, key);
    if (!v)
        return 0;
    va_list ap;
    va_start(ap, format);
    int n = TxtParseVsscanf(v, format, ap);
    va_end(ap);
    return n;
}

char *TxtParseValueDup(TxtParseFile *tp, const char *key)
{
    const char *v = TxtParseValueGet(tp, key);
    if (!v)
        return nullptr;
    size_t n = strlen(v);
    char *copy = (char *)LibCalloc(n + 1, 1);
    if (copy)
        memcpy(copy, v, n + 1);
    return copy;
}

int TxtParseKeyFind(TxtParseFile *tp, const char *key)
{
    return FindKey(tp, key, tp->groupFirstLine, 0);
}

int TxtParseKeyFindNth(TxtParseFile *tp, const char *key, int n)
{
    return FindKey(tp, key, tp->groupFirstLine, n);
}

int TxtParseKeyLine(TxtParseFile *tp, const char *key)
{
    if (!key) {
        TxtParseGroupEnd(tp);
        return tp->cursor;
    }
    int line = FindKey(tp, key, tp->groupFirstLine, 0);
    if (line >= 0)
        tp->cursor = line + 1;
    return line;
}

void TxtParseGroupEnd(TxtParseFile *tp)
{
    tp->cursor = GroupEndLine(tp);
    tp->endFlag = 1;
}

// ---------------------------------------------------------------------------
// Line readers

const char *TxtParseLineFirst(TxtParseFile *tp)
{
    tp->cursor = tp->groupFirstLine;
    return TxtParseLineNext(tp);
}

const char *TxtParseLineNext(TxtParseFile *tp)
{
    if (tp->cursor < tp->groupFirstLine || AtGroupEnd(tp, tp->cursor)) {
        tp->endFlag = 1;
        return nullptr;
    }
    const char *s = LineText(tp, tp->cursor++);
    tp->endFlag = AtGroupEnd(tp, tp->cursor);
    return s;
}

const char *TxtParseLineLast(TxtParseFile *tp)
{
    int line = tp->cursor - 1;
    if (line < tp->groupFirstLine || AtGroupEnd(tp, line))
        return nullptr;
    return LineText(tp, line);
}

const char *TxtParseLinePrev(TxtParseFile *tp)
{
    if (tp->cursor <= tp->groupFirstLine)
        return nullptr;
    tp->cursor--;
    tp->endFlag = AtGroupEnd(tp, tp->cursor);
    return tp->endFlag ? nullptr : LineText(tp, tp->cursor);
}

int TxtParseLineNextCopy(TxtParseFile *tp, char *buffer, int size)
{
    const char *s = TxtParseLineNext(tp);
    if (!s)
        return 0;
    StrCopy(buffer, size > 0 ? (size_t)size : 0, s);
    return 1;
}

int TxtParseGroupText(TxtParseFile *tp, char *buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    std::string all;
    for (int i = tp->groupFirstLine; !AtGroupEnd(tp, i); i++) {
        if (i > tp->groupFirstLine)
            all += '\n';
        all += LineText(tp, i);
    }
    StrCopy(buffer, (size_t)size, all.c_str());
    return (int)strlen(buffer);
}

// ---------------------------------------------------------------------------
// Edit mode

// Moves every reference at or after a raw line by delta.
static void ShiftRefs(TxtParseEdit *e, int from, int delta)
{
    for (TxtParseLineRef &r : e->map)
        if (r.raw >= from)
            r.raw += delta;
}

// Raw text from the blanks after "=" on is replaced by the value; a ";"
// comment that followed keeps its column when there is room.
static std::string RebuildLine(const std::string &raw, size_t keepTo, const char *value, size_t semi)
{
    std::string line = raw.substr(0, keepTo) + value;
    if (semi != std::string::npos) {
        if (line.size() < semi)
            line.append(semi - line.size(), ' ');
        line += raw.substr(semi);
    }
    return line;
}

static int ValueSetV(TxtParseFile *tp, const char *key, int n, const char *format, va_list ap)
{
    TxtParseEdit *e = tp->shared->edit;
    if (!e)
        return -1;
    int line = FindKey(tp, key, tp->groupFirstLine, n);
    if (line < 0)
        return 0;
    const TxtParseLineRef &ref = e->map[(size_t)line];
    if (ref.deleted)
        return 0;
    std::string &raw = e->raw[(size_t)ref.raw].text;
    size_t semi = raw.find(';', (size_t)ref.col);
    size_t eq = raw.find('=', (size_t)ref.col);
    // An "=" inside the comment is not the key's.
    if (eq == std::string::npos || (semi != std::string::npos && eq > semi))
        return -1;
    size_t keepTo = eq + 1;
    while (keepTo < raw.size() && (raw[keepTo] == ' ' || raw[keepTo] == '\t'))
        keepTo++;
    char value[TXTPARSE_VALUE_SET_LEN];
    vsnprintf(value, sizeof value, format, ap);
    raw = RebuildLine(raw, keepTo, value, semi);
    return 1;
}

int TxtParseValueSet(TxtParseFile *tp, const char *key, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    int r = ValueSetV(tp, key, 0, format, ap);
    va_end(ap);
    return r;
}

int TxtParseValueSetNth(TxtParseFile *tp, const char *key, int n, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    int r = ValueSetV(tp, key, n, format, ap);
    va_end(ap);
    return r;
}

int TxtParseGroupRename(TxtParseFile *tp, const char *format, ...)
{
    TxtParseEdit *e = tp->shared->edit;
    if (!e || tp->group < 0)
        return -1;
    const TxtParseLineRef &ref = e->map[(size_t)tp->shared->groups[(size_t)tp->group]];
    if (ref.deleted)
        return -1;
    std::string &raw = e->raw[(size_t)ref.raw].text;
    size_t open = raw.find('[', (size_t)ref.col);
    if (open == std::string::npos)
        return -1;
    size_t semi = raw.find(';', open);
    char name[TXTPARSE_VALUE_SET_LEN];
    va_list ap;
    va_start(ap, format);
    vsnprintf(name, sizeof name, format, ap);
    va_end(ap);
    std::string header = std::string("[") + name + "]";
    raw = RebuildLine(raw, open, header.c_str(), semi);
    return 1;
}

int TxtParseLineInsert(TxtParseFile *tp, const char *text)
{
    TxtParseEdit *e = tp->shared->edit;
    if (!e || !text)
        return -1;
    int at = (int)e->raw.size();
    if (tp->cursor >= 0 && tp->cursor < tp->shared->lineCount)
        at = e->map[(size_t)tp->cursor].raw;
    try {
        e->raw.insert(e->raw.begin() + at, TxtParseRawLine{text, e->crlf});
    } catch (const std::bad_alloc &) {
        LibOutOfMemory = 1;
        return -1;
    }
    ShiftRefs(e, at, 1);
    return 1;
}

// Deletes the raw line of a kept line and marks every kept line read from it.
static void DeleteRawOf(TxtParseEdit *e, int line)
{
    TxtParseLineRef &ref = e->map[(size_t)line];
    if (ref.deleted)
        return;
    int at = ref.raw;
    e->raw.erase(e->raw.begin() + at);
    for (TxtParseLineRef &r : e->map) {
        if (r.raw == at && !r.deleted)
            r.deleted = 1;
        else if (r.raw > at)
            r.raw--;
    }
}

int TxtParseLineDelete(TxtParseFile *tp)
{
    TxtParseEdit *e = tp->shared->edit;
    if (!e)
        return -1;
    if (tp->cursor < tp->groupFirstLine || AtGroupEnd(tp, tp->cursor))
        return 0;
    int at = e->map[(size_t)tp->cursor].raw;
    DeleteRawOf(e, tp->cursor);
    // The pieces of the same physical line went with it.
    do {
        tp->cursor++;
    } while (!AtGroupEnd(tp, tp->cursor) && e->map[(size_t)tp->cursor].deleted && e->map[(size_t)tp->cursor].raw == at);
    tp->endFlag = AtGroupEnd(tp, tp->cursor);
    return 1;
}

int TxtParseGroupClear(TxtParseFile *tp)
{
    TxtParseEdit *e = tp->shared->edit;
    if (!e)
        return -1;
    for (int i = tp->groupFirstLine; !AtGroupEnd(tp, i); i++)
        DeleteRawOf(e, i);
    tp->cursor = tp->groupFirstLine;
    tp->endFlag = AtGroupEnd(tp, tp->cursor);
    return 1;
}

int TxtParseRawLineIndex(TxtParseFile *tp, int line)
{
    TxtParseEdit *e = tp->shared->edit;
    if (!e || line < 0 || line >= tp->shared->lineCount)
        return -1;
    const TxtParseLineRef &ref = e->map[(size_t)line];
    return ref.deleted ? -1 : ref.raw;
}

int StrCopyUntil(char *buffer, const char *text, int n, char stop)
{
    int i = 0;
    while (i < n && text[i]) {
        buffer[i] = text[i];
        i++;
        if (buffer[i - 1] == stop)
            break;
    }
    buffer[i] = 0;
    return i;
}
