// The learning AI: learned samples of a character's moves, the AI file, learning from play, and the decisions of computer-controlled players.
#include "velok/player/p-ai.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/clsn.h"
#include "lib/grandom.h"
#include "lib/libbase.h"
#include "platform/pfile.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/chardef.h"
#include "velok/player/cmd.h"
#include "velok/player/keybuf.h"
#include "velok/player/p-info.h"
#include "velok/player/player.h"
#include "velok/player/proj.h"
#include "velok/script/expr.h"
#include "velok/script/stparam.h"

static const char aiMagic[12] = "TarnwickAIB";
static const float boxNone = -32760.0f;
// The states whose body boxes the basic-state boxes learn, in box order.
static const int basicStates[AI_BASIC_BOXES] = {0, 20, 11, 50};

// ---------------------------------------------------------------- words

static float WordFloat(int32_t w)
{
    float f;
    memcpy(&f, &w, sizeof f);
    return f;
}

static int32_t FloatWord(float f)
{
    int32_t w;
    memcpy(&w, &f, sizeof w);
    return w;
}

float AISampleFloat(const AISample *s, int word)
{
    return WordFloat(s->w[word]);
}

void AISampleFloatSet(AISample *s, int word, float value)
{
    s->w[word] = FloatWord(value);
}

float AIStatMean(const AISample *s, int word)
{
    return WordFloat(s->w[word]);
}

static int ToInt(float f)
{
    return ExprFloatToInt(f);
}

static int SatAdd(int a, int b)
{
    long long s = (long long)a + b;
    return s > 0x7fffffff ? 0x7fffffff : s < -0x7fffffff ? -0x7fffffff : (int)s;
}

// ---------------------------------------------------------------- statistics and boxes

// A statistic of one value.
static void StatSet(int32_t *st, int v)
{
    st[0] = FloatWord((float)v);
    st[1] = v;
    st[2] = v;
    st[3] = FloatWord(0.0f);
}

// The n-th value (from 0) entered into a statistic of one sample: running mean
// and mean deviation.
static void StatEnter(int32_t *st, int v, int n)
{
    if (n <= 0) {
        StatSet(st, v);
        return;
    }
    float mean = WordFloat(st[0]);
    float k = (float)(n + 1);
    float dev = WordFloat(st[3]);
    dev += (std::fabs((float)v - mean) - dev) / k;
    mean += ((float)v - mean) / k;
    st[0] = FloatWord(mean);
    st[1] = MinInt(st[1], v);
    st[2] = MaxInt(st[2], v);
    st[3] = FloatWord(dev);
}

static void StatCombine(int32_t *t, const int32_t *s)
{
    float oldMean = WordFloat(t[0]), newMean = WordFloat(s[0]);
    float diff = std::fabs((float)ToInt(newMean) - (float)ToInt(oldMean));
    t[0] = FloatWord(0.95f * oldMean + 0.05f * newMean);
    t[1] = MinInt(t[1], s[1]);
    t[2] = MaxInt(t[2], s[2]);
    t[3] = FloatWord(0.95f * WordFloat(t[3]) + 0.05f * diff);
}

// Time, horizontal and vertical distance: three statistics of four words.
static void GroupSet(int32_t *g, int time, int dx, int dy)
{
    StatSet(g, time);
    StatSet(g + 4, dx);
    StatSet(g + 8, dy);
}

static void GroupCombine(int32_t *t, const int32_t *s)
{
    for (int i = 0; i < 3; i++)
        StatCombine(t + 4 * i, s + 4 * i);
}

// A box is four floats four words apart: left, top, right, bottom.
static int BoxEmpty(const int32_t *b)
{
    return !(WordFloat(b[0]) != boxNone);
}

static void BoxMarkEmpty(int32_t *b)
{
    b[0] = FloatWord(boxNone);
}

static void BoxGrow(int32_t *b, float l, float t, float r, float bt)
{
    if (BoxEmpty(b)) {
        b[0] = FloatWord(l);
        b[4] = FloatWord(t);
        b[8] = FloatWord(r);
        b[12] = FloatWord(bt);
        return;
    }
    b[0] = FloatWord(std::fmin(WordFloat(b[0]), l));
    b[4] = FloatWord(std::fmin(WordFloat(b[4]), t));
    b[8] = FloatWord(std::fmax(WordFloat(b[8]), r));
    b[12] = FloatWord(std::fmax(WordFloat(b[12]), bt));
}

static void BoxUnion(int32_t *t, const int32_t *s)
{
    if (!BoxEmpty(s))
        BoxGrow(t, WordFloat(s[0]), WordFloat(s[4]), WordFloat(s[8]), WordFloat(s[12]));
}

// Grows the box by every box of the list, mirrored when flip, shifted by (dx, dy).
static void BoxGrowList(int32_t *b, const ClsnList *list, int flip, float dx, float dy)
{
    if (!list)
        return;
    for (int i = 0; i < list->count; i++) {
        const ClsnBox *c = &list->boxes[i];
        float x1 = (float)c->x1, x2 = (float)c->x2;
        if (flip) {
            x1 = (float)-c->x2;
            x2 = (float)-c->x1;
        }
        BoxGrow(b, x1 + dx, (float)c->y1 + dy, x2 + dx, (float)c->y2 + dy);
    }
}

// ---------------------------------------------------------------- samples

void AISampleClear(AISample *s, int key, int stateType)
{
    memset(s, 0, sizeof *s);
    s->w[AIS_KEY] = key;
    s->w[AIS_STATETYPE] = stateType;
    for (int i = 0; i < AI_CMD_WORDS; i++)
        s->w[AIS_CMDS + i] = -1;
    s->w[AIS_COUNT] = 1;
    BoxMarkEmpty(&s->w[AIS_ATTACK_BOX]);
    BoxMarkEmpty(&s->w[AIS_BODY_BOX]);
}

static int ContextCount(const AISample *s)
{
    int n = s->w[AIS_CONTEXT_COUNT];
    return n < 0 ? 0 : n > AI_CONTEXT_MAX ? AI_CONTEXT_MAX : n;
}

// The first command label of the sample, -1 when none is valid.
static int SampleFirstCommand(const AISample *s)
{
    int c = s->w[AIS_CMDS];
    return c >= 0 && c < CMD_LABEL_MAX ? c : -1;
}

void AISampleCombine(AISample *t, const AISample *s)
{
    LIB_ASSERT(t->w[AIS_KEY] == s->w[AIS_KEY]);
    int tc = ContextCount(t), sc = ContextCount(s);
    for (int i = 0; i < sc && tc < AI_CONTEXT_MAX; i++) {
        const int32_t *e = &s->w[AIS_CONTEXT + 4 * i];
        bool known = false;
        for (int j = 0; j < tc && !known; j++)
            known = t->w[AIS_CONTEXT + 4 * j] == e[0];
        if (!known) {
            memcpy(&t->w[AIS_CONTEXT + 4 * tc], e, 4 * sizeof(int32_t));
            tc++;
        }
    }
    t->w[AIS_CONTEXT_COUNT] = tc;

    int first = SampleFirstCommand(s);
    for (int i = 0; i < AI_CMD_WORDS; i++)
        t->w[AIS_CMDS + i] = -1;
    t->w[AIS_CMDS] = first;

    t->w[AIS_COUNT] = SatAdd(t->w[AIS_COUNT], s->w[AIS_COUNT]);
    t->w[AIS_HITS] = SatAdd(t->w[AIS_HITS], s->w[AIS_HITS]);
    t->w[AIS_PROJECTILES] = SatAdd(t->w[AIS_PROJECTILES], s->w[AIS_PROJECTILES]);

    if (s->w[AIS_FIRST_SEEN]) {
        if (t->w[AIS_FIRST_SEEN]) {
            GroupCombine(&t->w[AIS_FIRST], &s->w[AIS_FIRST]);
        } else {
            memcpy(&t->w[AIS_FIRST], &s->w[AIS_FIRST], 12 * sizeof(int32_t));
            t->w[AIS_HIT_ATTR] = s->w[AIS_HIT_ATTR];
            t->w[AIS_HIT_GUARDFLAG] = s->w[AIS_HIT_GUARDFLAG];
            t->w[AIS_HIT_FLAG] = s->w[AIS_HIT_FLAG];
            t->w[AIS_HIT_DAMAGE] = s->w[AIS_HIT_DAMAGE];
            t->w[AIS_FIRST_SEEN] = 1;
        }
    }
    // Per outcome, only where both have values; a value only the new sample
    // has is taken as it is.
    static const int groups[3][2] = {
        {AIS_ACTIVE, AIS_ACTIVE_SEEN}, {AIS_CONTROL, AIS_CONTROL_SEEN}, {AIS_END, AIS_END_SEEN}};
    for (auto &g : groups) {
        for (int o = 0; o < 3; o++) {
            if (!s->w[g[1] + o])
                continue;
            if (t->w[g[1] + o]) {
                GroupCombine(&t->w[g[0] + 12 * o], &s->w[g[0] + 12 * o]);
            } else {
                memcpy(&t->w[g[0] + 12 * o], &s->w[g[0] + 12 * o], 12 * sizeof(int32_t));
                t->w[g[1] + o] = 1;
            }
        }
    }
    BoxUnion(&t->w[AIS_ATTACK_BOX], &s->w[AIS_ATTACK_BOX]);
    BoxUnion(&t->w[AIS_BODY_BOX], &s->w[AIS_BODY_BOX]);
}

// What the file may hold: a context count of 0 to 32 and a command list of
// labels 0 to 127 ended by -1 within its nine words.
static int SampleValid(const AISample *s)
{
    int n = s->w[AIS_CONTEXT_COUNT];
    if (n < 0 || n > AI_CONTEXT_MAX)
        return 0;
    for (int i = 0; i < AI_CMD_WORDS; i++) {
        int c = s->w[AIS_CMDS + i];
        if (c == -1)
            return 1;
        if (c < 0 || c >= CMD_LABEL_MAX)
            return 0;
    }
    return 0;
}

// ---------------------------------------------------------------- learned data

static Array *InfoArray(const AIInfo *info, int stateType)
{
    if (!info)
        return nullptr;
    if (stateType == STATETYPE_S || stateType == STATETYPE_C)
        return info->ground;
    if (stateType == STATETYPE_A)
        return info->air;
    return nullptr;
}

static void BasicMarkEmpty(AIInfo *info)
{
    memset(info->basic, 0, sizeof info->basic);
    for (auto &b : info->basic)
        BoxMarkEmpty(b);
}

int AIInfoInit(AIInfo *info)
{
    memset(info, 0, sizeof *info);
    info->ground = ArrayCreate(AI_GROUND_MAX, (int)sizeof(AISample), info);
    info->air = ArrayCreate(AI_AIR_MAX, (int)sizeof(AISample), info);
    BasicMarkEmpty(info);
    if (!info->ground || !info->air) {
        AIInfoFree(info);
        return 0;
    }
    return 1;
}

void AIInfoFree(AIInfo *info)
{
    if (!info)
        return;
    ArrayFree(info->ground);
    ArrayFree(info->air);
    memset(info, 0, sizeof *info);
}

void AIInfoClear(AIInfo *info)
{
    if (info->ground)
        ArrayClear(info->ground);
    if (info->air)
        ArrayClear(info->air);
}

// The used samples of an array in slot order. Samples are never removed one
// by one, but the walk does not rely on it.
template <typename Fn> static void ForSamples(const Array *a, Fn fn)
{
    if (!a || a->used == 0)
        return;
    for (int i = a->lowest; i <= a->highest; i++)
        if (a->slots[i].used)
            fn(i, (AISample *)ArrayAt(a, i));
}

static uint32_t Le32(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static void PutLe32(std::vector<unsigned char> &out, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out.push_back((unsigned char)(v >> (8 * i)));
}

static int ReadSample(FILE *f, AISample *s)
{
    unsigned char raw[AI_SAMPLE_SIZE];
    if (fread(raw, 1, sizeof raw, f) != sizeof raw)
        return 0;
    for (int i = 0; i < AI_SAMPLE_WORDS; i++)
        s->w[i] = (int32_t)Le32(raw + 4 * i);
    return 1;
}

// Reads one array's count and samples; 0 on failure (with a text only for a
// full array or a bad sample).
static int ReadSamples(FILE *f, Array *a)
{
    unsigned char raw[4];
    if (fread(raw, 1, 4, f) != 4)
        return 0;
    uint32_t count = Le32(raw);
    AISample s;
    for (uint32_t i = 0; i < count; i++) {
        if (!ReadSample(f, &s))
            return 0;
        if (!SampleValid(&s)) {
            GameErrorSet("Invalid AI sample for state %i", s.w[AIS_KEY]);
            return 0;
        }
        if (ArrayAdd(a, &s, s.w[AIS_KEY], 0) < 0) {
            GameErrorSet("Out of AI learning space");
            return 0;
        }
    }
    return 1;
}

static int LoadFrom(FILE *f, AIInfo *info)
{
    unsigned char head[AI_FILE_HEADER];
    if (fread(head, 1, sizeof head, f) != sizeof head) {
        GameErrorSet("Error reading file header");
        return 0;
    }
    if (memcmp(head, aiMagic, sizeof aiMagic) != 0) {
        GameErrorSet("Not an AI file");
        return 0;
    }
    if (Le32(head + 12) != AI_FILE_VERSION) {
        GameErrorSet("Incorrect AI version");
        return 0;
    }
    int year = head[16] | head[17] << 8, month = head[18], day = head[19];
    if (year != VERSION_YEAR || month != VERSION_MONTH || day != VERSION_DAY) {
        GameErrorSet("Incorrect VELOK version for AI: %i.%02i.%02i", year, month, day);
        return 0;
    }
    if (!ReadSamples(f, info->ground) || !ReadSamples(f, info->air))
        return 0;
    unsigned char tail[AI_BASIC_BOXES * AI_BOX_WORDS * 4];
    if (fread(tail, 1, sizeof tail, f) != sizeof tail)
        return 0;
    for (int b = 0; b < AI_BASIC_BOXES; b++)
        for (int i = 0; i < AI_BOX_WORDS; i++)
            info->basic[b][i] = (int32_t)Le32(tail + 4 * (b * AI_BOX_WORDS + i));
    return 1;
}

int AIInfoLoad(const char *path, AIInfo *info)
{
    AIInfoFree(info);
    if (!AIInfoInit(info)) {
        GameErrorSet("Out of memory");
        return 0;
    }
    FILE *f = PlatFileOpen(path, "rb");
    if (!f) {
        GameErrorSet("Can't open %s", path);
        return 0;
    }
    int ok = LoadFrom(f, info);
    fclose(f);
    if (!ok) {
        AIInfoClear(info);
        BasicMarkEmpty(info);
    }
    return ok;
}

static void PutSamples(std::vector<unsigned char> &out, const Array *a)
{
    PutLe32(out, (uint32_t)a->used);
    ForSamples(a, [&](int, const AISample *s) {
        for (int i = 0; i < AI_SAMPLE_WORDS; i++)
            PutLe32(out, (uint32_t)s->w[i]);
    });
}

int AIInfoSave(const char *path, const AIInfo *info)
{
    if (!info || !info->ground || !info->air)
        return 0;
    std::vector<unsigned char> out;
    out.reserve(AI_FILE_HEADER + 8 + (size_t)(info->ground->used + info->air->used) * AI_SAMPLE_SIZE + 256);
    out.insert(out.end(), aiMagic, aiMagic + sizeof aiMagic);
    PutLe32(out, AI_FILE_VERSION);
    out.push_back((unsigned char)(VERSION_YEAR & 0xff));
    out.push_back((unsigned char)(VERSION_YEAR >> 8));
    out.push_back((unsigned char)VERSION_MONTH);
    out.push_back((unsigned char)VERSION_DAY);
    out.resize(AI_FILE_HEADER, 0);
    PutSamples(out, info->ground);
    PutSamples(out, info->air);
    for (auto &b : info->basic)
        for (int32_t w : b)
            PutLe32(out, (uint32_t)w);

    // A failed write must not cost the file that is there.
    std::string target = PlatPathResolve(path);
    std::string tmp = target + ".tmp";
    FILE *f = PlatFileOpen(tmp.c_str(), "wb");
    if (!f)
        return 0;
    bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = fflush(f) == 0 && ok;
    ok = fclose(f) == 0 && ok;
    if (ok && rename(tmp.c_str(), target.c_str()) == 0)
        return 1;
    remove(tmp.c_str());
    return 0;
}

int AIInfoMerge(AIInfo *target, const AIInfo *source)
{
    int dropped = 0;
    const Array *from[2] = {source->ground, source->air};
    Array *into[2] = {target->ground, target->air};
    for (int k = 0; k < 2; k++) {
        ForSamples(from[k], [&](int, const AISample *s) {
            if (!into[k]) {
                dropped++;
                return;
            }
            AISample *t = (AISample *)ArrayFindElem(into[k], s->w[AIS_KEY], 0);
            if (t)
                AISampleCombine(t, s);
            else if (ArrayAdd(into[k], s, s->w[AIS_KEY], 0) < 0)
                dropped++;
        });
    }
    for (int b = 0; b < AI_BASIC_BOXES; b++)
        BoxUnion(target->basic[b], source->basic[b]);
    return dropped;
}

int AIInfoCopy(AIInfo *target, const AIInfo *source)
{
    AIInfoClear(target);
    BasicMarkEmpty(target);
    return AIInfoMerge(target, source);
}

int AIFileNameSafe(const char *name)
{
    if (!name || !*name || PathIsAbsolute(name) || name[0] == '/' || name[0] == '\\')
        return 0;
    // A drive prefix ("c:") is dropped by the platform layer: the rest would be absolute.
    if (strchr(name, ':'))
        return 0;
    const char *p = name;
    while (*p) {
        const char *end = p;
        while (*end && *end != '/' && *end != '\\')
            end++;
        if (end - p == 2 && p[0] == '.' && p[1] == '.')
            return 0;
        p = *end ? end + 1 : end;
    }
    return 1;
}

// ---------------------------------------------------------------- lists

void CmdUsedListClear(int *list)
{
    list[0] = -1;
}

int CmdUsedListCount(const int *list)
{
    int n = 0;
    while (n < AI_CMD_MAX && list[n] != -1)
        n++;
    return n;
}

int CmdUsedListAdd(int *list, int label)
{
    int n = CmdUsedListCount(list);
    if (n >= AI_CMD_MAX)
        return 0;
    list[n] = label;
    list[n + 1] = -1;
    return 1;
}

void CmdUsedListCopy(int *target, const int *source)
{
    int n = CmdUsedListCount(source);
    for (int i = 0; i < n; i++)
        target[i] = source[i];
    target[n] = -1;
}

// ---------------------------------------------------------------- players

AIInfo *AIPlayerLearned(const Player *pl)
{
    if (pl->ai.info)
        return pl->ai.info;
    return pl->charData ? pl->charData->ai : nullptr;
}

static void PlanClear(AIPlan *plan)
{
    plan->has = plan->hasOwn = 0;
    plan->crouch = 0;
    plan->goalCount = plan->goal = 0;
}

static void GuidesOff(Player *pl)
{
    pl->aiGuide[0].on = pl->aiGuide[1].on = 0;
}

int AIPlayerInit(Player *pl, int learning)
{
    AIPlayer *ai = &pl->ai;
    ai->learning = 0;
    ai->info = nullptr;
    if (learning) {
        ai->info = (AIInfo *)LibCalloc(1, sizeof(AIInfo));
        if (!ai->info || !AIInfoInit(ai->info)) {
            MemFree(ai->info);
            ai->info = nullptr;
            return 0;
        }
        ai->learning = 1;
    }
    pl->aiLevel = AI_LEVEL_DEFAULT;
    AIPlayerReset(pl);
    return 1;
}

void AIPlayerFree(Player *pl)
{
    AIPlayer *ai = &pl->ai;
    if (ai->info) {
        AIInfoFree(ai->info);
        MemFree(ai->info);
        ai->info = nullptr;
    }
    ai->learning = 0;
    ai->current = nullptr;
}

void AIPlayerReset(Player *pl)
{
    AIPlayer *ai = &pl->ai;
    ai->current = nullptr;
    ai->sub = ai->prevSub = ai->subTicks = 0;
    PlanClear(&ai->plan);
    ai->pendingState = -1;
    ai->cooldown = ai->sinceReaction = ai->sinceOppAttack = 0;
    ai->approachWait = ai->stall = 0;
    ai->eventCount = 0;
    ai->posted = 0;
    ai->learn.open = 0;
    ai->learn.projectileId = -1;
    memset(ai->before, 0, sizeof ai->before);
    CmdUsedListClear(ai->cmdUsed);
    CmdUsedListClear(ai->cmdCopy);
    CmdUsedListClear(ai->mark);
    ai->cmdTick = 0;
    ai->pendingRead = ai->pendingCount = 0;
    ai->refId = -1;
    ai->inGuard = 0;
    ai->attacker = nullptr;
    ai->candidates[0] = 0;
    ai->dummyCooldown = 0;
    GuidesOff(pl);
}

void AIPlayerLevelSet(Player *pl, int level)
{
    pl->aiLevel = level < 1 ? 1 : level > 8 ? 8 : level;
}

void AIPlayerRefSet(Player *pl, int id)
{
    AIPlayer *ai = &pl->ai;
    ai->refId = id;
    if (ai->learn.open) {
        ai->learn.projectileId = id;
        ai->learn.sample.w[AIS_PROJECTILES] = SatAdd(ai->learn.sample.w[AIS_PROJECTILES], 1);
    }
}

// ---------------------------------------------------------------- events

void AIEventPost(Player *sender, int kind, int value, const Array *samples)
{
    if (!gv || !gv->players)
        return;
    for (int s = 1; s <= gv->playerSlotCount; s++) {
        Player *q = gv->players[s];
        if (!q || q == sender || !q->enabled || !q->aiControlled || q->ai.eventCount >= AI_EVENT_MAX)
            continue;
        AIEvent *e = &q->ai.events[q->ai.eventCount++];
        e->sender = sender;
        e->kind = kind;
        e->value = value;
        e->samples = samples;
    }
}

void AIEventPostStart(Player *pl)
{
    pl->ai.posted = 0;
    AIEventPost(pl, AI_EVENT_END, -1, nullptr);
}

void AIEventBroadcast(Player *pl)
{
    // The move posted before is over now that another starts.
    if (pl->ai.posted)
        AIEventPostStart(pl);
    pl->ai.posted = 1;
    AIEventPost(pl, AI_EVENT_START, pl->state.stateNo, InfoArray(AIPlayerLearned(pl), pl->state.stateType));
}

static bool IdleWithCtrl(const Player *p)
{
    return p->state.moveType == MOVETYPE_I && p->state.ctrl;
}

void AIHitEventPost(Player *pl)
{
    if (!pl->ai.posted)
        return;
    if (IdleWithCtrl(pl) || pl->state.customList || pl->state.moveType == MOVETYPE_H)
        AIEventPostStart(pl);
}

int AIEventFind(const Player *pl, const Player *sender, int kind)
{
    for (int i = 0; i < pl->ai.eventCount && i < AI_EVENT_MAX; i++)
        if (pl->ai.events[i].sender == sender && pl->ai.events[i].kind == kind)
            return i;
    return -1;
}

int AIEventGet(const Player *pl, int index, AIEvent *out)
{
    if (index < 0 || index >= pl->ai.eventCount || index >= AI_EVENT_MAX)
        return 0;
    *out = pl->ai.events[index];
    return 1;
}

int AIEventTake(Player *pl, int index, AIEvent *out)
{
    if (!AIEventGet(pl, index, out))
        return 0;
    pl->ai.events[index].kind = AI_EVENT_HANDLED;
    return 1;
}

void AIEventsClear(Player *pl)
{
    pl->ai.eventCount = 0;
}

// ---------------------------------------------------------------- learning

static const AnimElem *ShownElem(const Player *p)
{
    if (!p->anim || !p->anim->set)
        return nullptr;
    return AnimObjElem(p->anim);
}

static bool PauseRunning()
{
    return gv && gv->activePause >= 0;
}

static void SampleOffsets(const Player *pl, const AILearn *l, int *dx, int *dy)
{
    *dx = ClampInt(((long long)ToInt(pl->posX) - l->startX) * l->startFacing);
    *dy = ClampInt((long long)ToInt(pl->posY) - l->startY);
}

void AISampleBegin(Player *pl)
{
    AIPlayer *ai = &pl->ai;
    int st = pl->state.stateType;
    Array *arr = InfoArray(AIPlayerLearned(pl), st);
    ai->current = arr ? (const AISample *)ArrayFindElem(arr, pl->state.stateNo, 0) : nullptr;
    if (!ai->learning || !ai->info)
        return;
    if (ai->learn.open)
        AISampleEnd(pl, 0);
    if (!InfoArray(ai->info, st))
        return;
    AILearn *l = &ai->learn;
    AISample *s = &l->sample;
    AISampleClear(s, pl->state.stateNo, st);
    s->w[AIS_CONTEXT + 0] = ai->before[0];
    s->w[AIS_CONTEXT + 1] = ai->before[1];
    s->w[AIS_CONTEXT + 2] = ai->before[2];
    s->w[AIS_CONTEXT + 3] = ai->before[3];
    s->w[AIS_CONTEXT_COUNT] = 1;
    int n = CmdUsedListCount(ai->cmdCopy);
    for (int i = 0; i < n; i++)
        s->w[AIS_CMDS + i] = ai->cmdCopy[i];
    l->startX = ToInt(pl->posX);
    l->startY = ToInt(pl->posY);
    l->startFacing = pl->facing < 0 ? -1 : 1;
    l->ticks = 0;
    l->outcome = 0;
    memset(l->activeFrames, 0, sizeof l->activeFrames);
    l->controlSeen = 0;
    l->lastSerial = pl->hitDef.active ? pl->hitDef.serial : -1;
    l->projectileId = -1;
    l->open = 1;
}

void AISampleEnd(Player *pl, int keep)
{
    AIPlayer *ai = &pl->ai;
    AILearn *l = &ai->learn;
    if (!l->open)
        return;
    l->open = 0;
    if (!keep || !ai->info)
        return;
    AISample *s = &l->sample;
    int dx, dy;
    SampleOffsets(pl, l, &dx, &dy);
    int o = l->outcome;
    GroupSet(&s->w[AIS_END + 12 * o], l->ticks, dx, dy);
    s->w[AIS_END_SEEN + o] = 1;
    if (!l->controlSeen) {
        GroupSet(&s->w[AIS_CONTROL + 12 * o], l->ticks, dx, dy);
        s->w[AIS_CONTROL_SEEN + o] = 1;
    }
    Array *arr = InfoArray(ai->info, s->w[AIS_STATETYPE]);
    if (!arr)
        return;
    AISample *t = (AISample *)ArrayFindElem(arr, s->w[AIS_KEY], 0);
    if (t)
        AISampleCombine(t, s);
    else
        ArrayAdd(arr, s, s->w[AIS_KEY], 0);  // a full array drops it
}

static int BasicIndex(int stateNo)
{
    for (int i = 0; i < AI_BASIC_BOXES; i++)
        if (basicStates[i] == stateNo)
            return i;
    return -1;
}

// A flying projectile with that ID in the list the player's projectiles go to.
static const Projectile *FlyingProjectile(const Player *pl, int id)
{
    const Player *owner = pl->isHelper && pl->root ? pl->root : pl;
    const ProjList *list = owner->projList;
    int n = ProjListEnd(list);
    for (int i = 0; i < n; i++) {
        const Projectile *p = ProjListAt(list, i);
        if (p && p->state == PROJ_STATE_FLYING && p->id == id)
            return p;
    }
    return nullptr;
}

void AILearnUpdate(Player *pl, int advance)
{
    AIPlayer *ai = &pl->ai;
    if (!ai->learning || !ai->info)
        return;
    const AnimElem *elem = ShownElem(pl);
    int basic = BasicIndex(pl->state.stateNo);
    if (basic >= 0 && elem)
        BoxGrowList(ai->info->basic[basic], elem->clsn2, 0, 0.0f, 0.0f);

    AILearn *l = &ai->learn;
    if (!l->open)
        return;
    const PlayerStateBlock *st = &pl->state;
    if (IdleWithCtrl(pl)) {
        AISampleEnd(pl, l->sample.w[AIS_FIRST_SEEN] || l->sample.w[AIS_PROJECTILES] > 0);
        return;
    }
    if (st->customList || st->moveType == MOVETYPE_H) {
        AISampleEnd(pl, 0);
        return;
    }
    AISample *s = &l->sample;
    int dx, dy;
    SampleOffsets(pl, l, &dx, &dy);
    bool running = advance && !PauseRunning();
    if (running && elem) {
        // Boxes are kept relative to the start and its facing.
        int turned = (pl->facing < 0 ? -1 : 1) != l->startFacing;
        BoxGrowList(&s->w[AIS_ATTACK_BOX], elem->clsn1, turned, (float)dx, (float)dy);
        BoxGrowList(&s->w[AIS_BODY_BOX], elem->clsn2, turned, (float)dx, (float)dy);
    }
    if (l->outcome == 0) {
        if (st->moveContact == CONTACT_HIT)
            l->outcome = 1;
        else if (st->moveContact == CONTACT_GUARDED)
            l->outcome = 2;
    }
    int o = l->outcome;
    if (st->ctrl && !l->controlSeen) {
        l->controlSeen = 1;
        GroupSet(&s->w[AIS_CONTROL + 12 * o], l->ticks, dx, dy);
        s->w[AIS_CONTROL_SEEN + o] = 1;
    }
    bool own = pl->hitDef.active && elem && elem->clsn1 && elem->clsn1->count > 0;
    // The projectile the move launched counts while it flies.
    const Projectile *proj = s->w[AIS_PROJECTILES] > 0 ? FlyingProjectile(pl, l->projectileId) : nullptr;
    if (own || proj) {
        if (!s->w[AIS_FIRST_SEEN]) {
            const HitDef *hd = own ? &pl->hitDef : &proj->hitDef;
            GroupSet(&s->w[AIS_FIRST], l->ticks, dx, dy);
            s->w[AIS_FIRST_SEEN] = 1;
            s->w[AIS_HIT_ATTR] = hd->attr;
            s->w[AIS_HIT_GUARDFLAG] = hd->guardFlag;
            s->w[AIS_HIT_FLAG] = hd->hitFlag;
            s->w[AIS_HIT_DAMAGE] = hd->damage;
        }
        int n = l->activeFrames[o]++;
        int32_t *g = &s->w[AIS_ACTIVE + 12 * o];
        StatEnter(g, l->ticks, n);
        StatEnter(g + 4, dx, n);
        StatEnter(g + 8, dy, n);
        s->w[AIS_ACTIVE_SEEN + o] = 1;
        if (own && pl->hitDef.serial != l->lastSerial) {
            l->lastSerial = pl->hitDef.serial;
            s->w[AIS_HITS] = SatAdd(s->w[AIS_HITS], 1);
        }
    }
    if (running)
        l->ticks++;
}

void AIControllerBefore(Player *pl)
{
    int *b = pl->ai.before;
    b[0] = pl->state.stateNo;
    b[1] = pl->state.stateType;
    b[2] = pl->state.moveType;
    b[3] = pl->state.ctrl;
}

void AIControllerAfter(Player *pl, int changed, int wasOwnStates)
{
    AIPlayer *ai = &pl->ai;
    if (changed != 1 || !wasOwnStates || pl->state.customList || CmdUsedListCount(ai->cmdUsed) == 0)
        return;
    CmdUsedListCopy(ai->cmdCopy, ai->cmdUsed);
    ai->cmdTick = gv ? gv->gameTick : 0;
    AISampleBegin(pl);
    AIEventBroadcast(pl);
}

// ---------------------------------------------------------------- keys

static int Rnd(int n)
{
    return n > 0 ? GameRandom() % n : 0;
}

static int Held(const Player *pl, int button)
{
    return pl->keyBuf.held[button];
}

static void Press(Player *pl, int button)
{
    if (!Held(pl, button))
        KeyBufPush(&pl->keyBuf, button);
}

static void Release(Player *pl, int button)
{
    if (Held(pl, button))
        KeyBufPush(&pl->keyBuf, button | KEYBUF_RELEASE);
}

static void Toggle(Player *pl, int button)
{
    if (Held(pl, button))
        Release(pl, button);
    else
        Press(pl, button);
}

static void ReleaseDirs(Player *pl)
{
    Release(pl, KEYBUF_UP);
    Release(pl, KEYBUF_FWD);
    Release(pl, KEYBUF_DOWN);
    Release(pl, KEYBUF_BACK);
}

int AIPendingPush(Player *pl, int code)
{
    AIPlayer *ai = &pl->ai;
    if (ai->pendingCount >= AI_PENDING_MAX)
        return 0;
    ai->pending[(ai->pendingRead + ai->pendingCount) % AI_PENDING_MAX] = code;
    ai->pendingCount++;
    return 1;
}

static int PendingPop(Player *pl, int *code)
{
    AIPlayer *ai = &pl->ai;
    if (ai->pendingCount <= 0)
        return 0;
    *code = ai->pending[ai->pendingRead];
    ai->pendingRead = (ai->pendingRead + 1) % AI_PENDING_MAX;
    ai->pendingCount--;
    return 1;
}

static const struct {
    int bit, button;
} keyBits[] = {
    {CMD_KEY_UP, KEYBUF_UP},     {CMD_KEY_FWD, KEYBUF_FWD}, {CMD_KEY_DOWN, KEYBUF_DOWN}, {CMD_KEY_BACK, KEYBUF_BACK},
    {CMD_KEY_A, KEYBUF_A},       {CMD_KEY_B, KEYBUF_A + 1}, {CMD_KEY_C, KEYBUF_A + 2},   {CMD_KEY_X, KEYBUF_A + 3},
    {CMD_KEY_Y, KEYBUF_A + 4},   {CMD_KEY_Z, KEYBUF_A + 5}, {CMD_KEY_S, KEYBUF_START},
};

// The key events that perform a command, starting from the held keys. A
// button press is followed by a wait so that the press is recorded before
// anything else; the command's buttons are released at its end.
static int CommandKeys(const Player *pl, const Command *cmd, int *out, int max)
{
    int held[KEYBUF_BUTTONS + 1];
    for (int b = 0; b <= KEYBUF_BUTTONS; b++)
        held[b] = pl->keyBuf.held[b];
    int n = 0;
    bool fits = true;
    auto put = [&](int code) {
        if (n >= max)
            fits = false;
        else
            out[n++] = code;
    };
    auto press = [&](int b) {
        if (!held[b]) {
            held[b] = 1;
            put(b);
        }
    };
    auto release = [&](int b) {
        if (held[b]) {
            held[b] = 0;
            put(b | KEYBUF_RELEASE);
        }
    };
    for (int i = 0; i < cmd->stepCount && fits; i++) {
        int word = cmd->steps[2 * i];
        int dirs = word & CMD_KEY_DIRS;
        int buttons = word & CMD_KEY_BUTTONS;
        if (word & CMD_KEY_RELEASE) {
            int wait = (int)(((unsigned)word >> CMD_HOLD_UNIT_SHIFT) * 4u);
            bool pressed = false;
            for (auto &k : keyBits)
                if ((word & k.bit) && !held[k.button]) {
                    press(k.button);
                    pressed = true;
                }
            if (pressed && buttons)
                put(0);
            for (int w = 0; w < wait && fits; w++)
                put(0);
            for (auto &k : keyBits)
                if (word & k.bit)
                    release(k.button);
            continue;
        }
        if (dirs || (word & CMD_KEY_NEUTRAL)) {
            // "$" needs only its directions held; any other direction step
            // needs exactly its combination.
            if (!(word & CMD_KEY_DIRGROUP))
                for (int k = 0; k < 4; k++)
                    if (!(dirs & keyBits[k].bit))
                        release(keyBits[k].button);
            for (int k = 0; k < 4; k++)
                if (dirs & keyBits[k].bit)
                    press(keyBits[k].button);
        }
        if (buttons) {
            for (int k = 4; k < (int)(sizeof keyBits / sizeof keyBits[0]); k++)
                if (buttons & keyBits[k].bit)
                    press(keyBits[k].button);
            put(0);
            if (!(word & CMD_KEY_HOLD))
                for (int k = 4; k < (int)(sizeof keyBits / sizeof keyBits[0]); k++)
                    if (buttons & keyBits[k].bit)
                        release(keyBits[k].button);
        }
    }
    for (int k = 4; k < (int)(sizeof keyBits / sizeof keyBits[0]) && fits; k++)
        release(keyBits[k].button);
    return fits ? n : -1;
}

int AICommandQueue(Player *pl, int label)
{
    const CmdSet *set = pl->charData ? &pl->charData->cmds : pl->cmdSet;
    if (!set || label < 0 || label >= CMD_LABEL_MAX)
        return 0;
    const Command *cmd = nullptr;
    for (int i = 0; i < set->count && !cmd; i++)
        if (set->commands[i].labelNo == label && (set->commands[i].kindMask & CMD_KIND_NORMAL) &&
            set->commands[i].steps && set->commands[i].stepCount > 0)
            cmd = &set->commands[i];
    if (!cmd)
        return 0;
    int keys[AI_PENDING_MAX];
    int room = AI_PENDING_MAX - pl->ai.pendingCount;
    int n = CommandKeys(pl, cmd, keys, room);
    if (n <= 0)
        return 0;
    for (int i = 0; i < n; i++)
        AIPendingPush(pl, keys[i]);
    return 1;
}

void AIPlayerPartnerMark(Player *pl)
{
    const Player *owner = pl->isHelper && pl->root ? pl->root : pl;
    const int *list = owner->ai.mark;
    const CmdSet *set = pl->cmdSet;
    int n = CmdUsedListCount(list);
    if (!set || n == 0)
        return;
    for (int i = 0; i < n; i++) {
        int idx = list[i];
        if (idx < 0 || idx >= set->count)
            continue;
        const Command *c = &set->commands[idx];
        if (c->labelNo < 0 || c->labelNo >= CMD_LABEL_MAX)
            continue;
        int time = c->bufferTime > 0 ? c->bufferTime : 1;
        if (pl->cmdFlags.active[c->labelNo] < time)
            pl->cmdFlags.active[c->labelNo] = (unsigned char)time;
        pl->cmdFlags.lastTick[c->labelNo] = gv ? gv->gameTick : 0;
    }
}

// ---------------------------------------------------------------- decisions

static void SubSet(Player *pl, int sub)
{
    AIPlayer *ai = &pl->ai;
    ai->prevSub = ai->sub;
    ai->sub = sub;
    ai->subTicks = 0;
    if (sub == AI_SUB_REACT)
        ai->sinceReaction = 0;
    if (sub != AI_SUB_MOVE)
        GuidesOff(pl);
}

static int DistX(const Player *a, const Player *b)
{
    int d = ToInt(b->posX - a->posX);
    return d < 0 ? (d == -2147483647 - 1 ? 2147483647 : -d) : d;
}

// The attack's guard flags: low when L but not H, high when H but not L.
static int GuardFlagOf(const Player *attacker)
{
    return attacker ? attacker->hitDef.guardFlag : 0;
}

static bool LowOnly(int gf)
{
    return (gf & HITFLAG_L) && !(gf & HITFLAG_H);
}

static bool HighOnly(int gf)
{
    return (gf & HITFLAG_H) && !(gf & HITFLAG_L);
}

// The attribute set that guard flags let through: the state letters that can
// guard (H standing, L crouching, A in the air) and every class.
static int GuardMasked(int attr, int guardFlag)
{
    int states = (guardFlag & HITFLAG_H ? HITATTR_S : 0) | (guardFlag & HITFLAG_L ? HITATTR_C : 0) |
                 (guardFlag & HITFLAG_A ? HITATTR_A : 0);
    return attr & (states | (HITATTR_ALL & ~(HITATTR_S | HITATTR_C | HITATTR_A)));
}

static bool HasStatesAndClasses(int attr)
{
    return (attr & (HITATTR_S | HITATTR_C | HITATTR_A)) && (attr & (HITATTR_ALL & ~(HITATTR_S | HITATTR_C | HITATTR_A)));
}

static void AttackerFind(Player *pl)
{
    AIPlayer *ai = &pl->ai;
    ai->inGuard = 0;
    ai->attacker = nullptr;
    for (int s = 1; s <= gv->playerSlotCount; s++) {
        Player *q = gv->players[s];
        if (!q || q == pl || !q->enabled || q->side == pl->side)
            continue;
        bool attacking = q->state.moveType == MOVETYPE_A || ProjListCountActive(q->projList) > 0;
        if (attacking && PlayerInGuardDist(pl, q)) {
            ai->inGuard = 1;
            ai->attacker = q;
            return;
        }
    }
}

// Boxes of one side of a hit test: a learned box as one list, or the boxes of
// the shown element.
struct TestBoxes {
    ClsnBox box;
    ClsnList list;
    const ClsnList *use;
};

static void LearnedBox(TestBoxes *t, const int32_t *b)
{
    t->use = nullptr;
    if (BoxEmpty(b))
        return;
    t->box.x1 = ToInt(WordFloat(b[0]));
    t->box.y1 = ToInt(WordFloat(b[4]));
    t->box.x2 = ToInt(WordFloat(b[8]));
    t->box.y2 = ToInt(WordFloat(b[12]));
    if (t->box.x1 > t->box.x2 || t->box.y1 > t->box.y2)
        return;
    memset(&t->list, 0, sizeof t->list);
    t->list.valid = 1;
    t->list.capacity = t->list.count = 1;
    t->list.boxes = &t->box;
    t->use = &t->list;
}

int AISampleHitTest(const Player *attacker, const AISample *attack, const Player *defender, const AISample *body)
{
    if (!attacker || !defender)
        return 0;
    TestBoxes a, d;
    a.use = d.use = nullptr;
    if (attack) {
        LearnedBox(&a, &attack->w[AIS_ATTACK_BOX]);
    } else {
        const AnimElem *e = ShownElem(attacker);
        a.use = e ? e->clsn2 : nullptr;
    }
    // Without a sample given, the defender's own learned move stands in while
    // it is in that move.
    const AISample *cur = defender->ai.current;
    if (!body && cur && cur->w[AIS_KEY] == defender->state.stateNo)
        body = cur;
    if (body)
        LearnedBox(&d, &body->w[AIS_BODY_BOX]);
    if (!d.use) {
        int basic = BasicIndex(defender->state.stateNo);
        const AIInfo *info = AIPlayerLearned(defender);
        if (basic >= 0 && info)
            LearnedBox(&d, info->basic[basic]);
    }
    if (!d.use) {
        const AnimElem *e = ShownElem(defender);
        d.use = e ? e->clsn2 : nullptr;
    }
    if (!a.use || !d.use)
        return 0;
    int dx = ToInt(defender->posX - attacker->posX), dy = ToInt(defender->posY - attacker->posY);
    return ClsnListsOverlap(a.use, d.use, dx, dy, attacker->facing < 0, defender->facing < 0) ? 100 : 0;
}

static Player *PlanOpponent(const Player *pl)
{
    const AIPlan *p = &pl->ai.plan;
    Player *o = PlayerSlotGetById(p->oppSlot, p->oppId);
    return o && o->enabled ? o : nullptr;
}

static int OutcomeOf(const Player *p)
{
    return p->state.moveContact == CONTACT_HIT ? 1 : p->state.moveContact == CONTACT_GUARDED ? 2 : 0;
}

int AISampleChoose(Player *pl, int level)
{
    (void)level;
    AIPlayer *ai = &pl->ai;
    ai->candidates[0] = 0;
    if (!ai->plan.has)
        return 0;
    Array *arr = InfoArray(AIPlayerLearned(pl), pl->state.stateType);
    if (!arr)
        return 0;
    Player *opp = PlanOpponent(pl);
    if (!opp)
        return 0;
    const AISample *os = &ai->plan.opp;
    int elapsed = gv->gameTick - ai->plan.startTick;
    float firstActive = AIStatMean(os, AIS_FIRST);
    bool before = firstActive > (float)elapsed;
    float g;
    if (before) {
        g = firstActive - (float)elapsed;
    } else {
        float ctrl = AIStatMean(os, AIS_CONTROL + 12 * OutcomeOf(opp));
        if (ctrl == 0.0f)
            return 0;
        g = ctrl - (float)elapsed;
    }
    int oppAttr = os->w[AIS_HIT_ATTR];
    int oppGuard = os->w[AIS_HIT_GUARDFLAG];
    int n = 0, looked = 0;
    ForSamples(arr, [&](int slot, const AISample *s) {
        if (looked++ >= AI_CANDIDATE_MAX)
            return;
        int o = 100 * ((g > AIStatMean(s, AIS_FIRST)) - (AISampleHitTest(pl, s, opp, os) == 0));
        int attr = s->w[AIS_HIT_ATTR];
        if (attr) {
            if (!before) {
                o -= 100;
            } else {
                int masked = GuardMasked(attr, oppGuard);
                if (AIStatMean(s, AIS_ACTIVE) > g)
                    o -= 100;
                if (!HasStatesAndClasses(masked))
                    o -= 100;
            }
        }
        if (before && oppAttr && HasStatesAndClasses(GuardMasked(oppAttr, s->w[AIS_HIT_GUARDFLAG])))
            o -= 100;
        if (o - (pl->state.ctrl ? 0 : 100) > 0)
            ai->candidates[n++] = slot + 1;
    });
    ai->candidates[n] = 0;
    return n;
}

int AIGoalReached(const Player *pl, int goal)
{
    const AIPlan *p = &pl->ai.plan;
    if (pl->ai.sub != AI_SUB_MOVE || goal < 0 || goal >= p->goalCount)
        return 0;
    bool moving = pl->velX != 0.0f;
    bool jump = p->goalKind[goal] == AI_GOAL_JUMP;
    float left = (p->goalX[goal] - pl->posX) * (float)p->goalDir[goal];
    if (left <= 1.0f && (moving || !jump))
        return 1;
    if (!jump || moving || pl->state.stateType != STATETYPE_A)
        return 0;
    float gy = p->goalY[goal];
    return (pl->velY <= 0.0f && pl->posY <= gy) || (pl->velY > 0.0f && pl->posY >= gy);
}

static void GoalAdd(Player *pl, float x, float y, int kind)
{
    AIPlan *p = &pl->ai.plan;
    if (p->goalCount >= 2)
        return;
    int i = p->goalCount++;
    p->goalX[i] = x;
    p->goalY[i] = y;
    p->goalKind[i] = kind;
    p->goalDir[i] = x >= pl->posX ? 1 : -1;
    PlayerGuideBox *g = &pl->aiGuide[i];
    float rx = (x - pl->posX) * (float)pl->facing;
    float ry = y - pl->posY;
    *g = {1, rx - 3.0f, ry - 6.0f, rx + 3.0f, ry};
}

// Walks, or jumps, to 40 pixels in front of the opponent.
static void ApproachPlan(Player *pl, const Player *opp)
{
    AIPlan *p = &pl->ai.plan;
    p->goalCount = p->goal = 0;
    float target = opp->posX - (float)pl->facing * 40.0f;
    float o = opp->posY;
    const PlayerConst *c = &pl->consts;
    float j = c->jumpY, yaccel = c->yAccel;
    // Without gravity or a jump there is no reach to compute: walk.
    if (o >= 0.0f || !(yaccel > 0.0f) || j == 0.0f) {
        GoalAdd(pl, target, 0.0f, AI_GOAL_WALK);
        return;
    }
    bool behind = (target - pl->posX) * (float)pl->facing < 0.0f;
    float h = behind ? c->jumpBackX : c->jumpFwdX;
    float reach = h * (-2.0f * j) / yaccel;
    if (std::fabs(target - pl->posX) > std::fabs(reach)) {
        GoalAdd(pl, target, o, AI_GOAL_JUMP);
        return;
    }
    float apex = -(j * j) / (2.0f * yaccel);
    float takeoff = apex < o ? target - o * reach / apex * (float)pl->facing : target - (float)pl->facing * reach / 2.0f;
    GoalAdd(pl, takeoff, 0.0f, AI_GOAL_WALK);
    GoalAdd(pl, target, o, AI_GOAL_JUMP);
}

// The approach is set up while the opponent does not attack and the AI stands
// away from the point in front of it.
static bool ApproachWanted(const Player *pl, const Player *opp)
{
    if (opp->state.moveType == MOVETYPE_A || !IdleWithCtrl(pl))
        return false;
    float target = opp->posX - (float)pl->facing * 40.0f;
    return std::fabs(target - pl->posX) > 20.0f;
}

static bool PlanOpponentAttacking(const Player *pl)
{
    const Player *o = PlanOpponent(pl);
    return o && o->state.moveType == MOVETYPE_A;
}

int AIPlanStep(Player *pl)
{
    AIPlayer *ai = &pl->ai;
    Player *opp = pl->opponent;
    int a = pl->aiLevel;
    if (!opp)
        return 0;
    int dist = DistX(pl, opp);
    if (ai->sub == AI_SUB_FREE) {
        int r = Rnd(60);
        if (ai->subTicks > 150)
            r /= 2;
        if (dist < 100)
            r /= 2;
        if (dist < 50)
            r /= 2;
        if (pl->state.moveType == MOVETYPE_H) {
            if (pl->getHit.hitCount > 2)
                r /= 2;
            if (pl->state.stateType == STATETYPE_L)
                r /= 2;
        }
        if (r == 0 || (ai->subTicks >= 1 && pl->hit.hitCount > 0)) {
            SubSet(pl, AI_SUB_REACT);
            return 1;
        }
        int idx = AIEventFind(pl, opp, AI_EVENT_START);
        if (idx >= 0 && Rnd(12) < a + 3) {
            AIEvent e = {};
            const AISample *s = nullptr;
            if (AIEventTake(pl, idx, &e) && e.samples)
                s = (const AISample *)ArrayFindElem(e.samples, e.value, 0);
            if (s) {
                ai->plan.has = 1;
                ai->plan.opp = *s;
                ai->plan.oppSlot = opp->slot;
                ai->plan.oppId = opp->id;
                ai->plan.startTick = gv->gameTick;
            }
        }
        if (ai->plan.has) {
            if (ai->cooldown == 0 && AISampleHitTest(opp, &ai->plan.opp, pl, nullptr)) {
                ai->cooldown = 5 + (a <= 3 ? Rnd(5 - a) : 0);
                if (Rnd(20) < a + 11) {
                    SubSet(pl, AI_SUB_ATTACK);
                    return 1;
                }
            }
            if (!PlanOpponentAttacking(pl) && gv->gameTick != ai->plan.startTick)
                ai->plan.has = 0;
            return 0;
        }
        if (ai->approachWait == 0 && ApproachWanted(pl, opp)) {
            ApproachPlan(pl, opp);
            ai->stall = 0;
            ai->lastX = pl->posX;
            SubSet(pl, AI_SUB_MOVE);
            return 1;
        }
        return 0;
    }
    if (ai->sub == AI_SUB_ATTACK) {
        int n = AISampleChoose(pl, a);
        int chance = 10 * a + (dist < 150) * 10 + (dist < 100) * 10 + (dist < 75) * 10 + (dist < 50) * 10;
        if (dist > 200)
            chance /= 2;
        if (n > 0 && Rnd(100) < chance) {
            Array *arr = InfoArray(AIPlayerLearned(pl), pl->state.stateType);
            int slot = ai->candidates[Rnd(n)] - 1;
            if (arr && slot >= 0 && slot < arr->capacity) {
                ai->plan.own = *(const AISample *)ArrayAt(arr, slot);
                ai->plan.hasOwn = 1;
                ai->plan.has = 0;
                SubSet(pl, AI_SUB_HEIGHT);
                return 1;
            }
        }
        if (!PlanOpponentAttacking(pl)) {
            ai->plan.has = 0;
            SubSet(pl, AI_SUB_FREE);
            return 1;
        }
    }
    return 0;
}

// Sub-state 1: toward the plan's goal. A walk that does not get anywhere
// (a wall, an opponent in the way, no walking state) is given up for a while.
static int MoveStep(Player *pl)
{
    AIPlayer *ai = &pl->ai;
    AIPlan *p = &ai->plan;
    // Progress is measured against the best place reached so far: a player
    // pushed back as it walks goes nowhere.
    int dir = p->goal < p->goalCount ? p->goalDir[p->goal] : 1;
    if (pl->state.stateType == STATETYPE_A || (pl->posX - ai->lastX) * (float)dir >= 0.25f) {
        ai->stall = 0;
        ai->lastX = pl->posX;
    } else {
        ai->stall++;
    }
    if (p->goal >= p->goalCount || ai->stall > AI_STALL_TICKS) {
        if (ai->stall > AI_STALL_TICKS)
            ai->approachWait = AI_APPROACH_WAIT;
        p->goalCount = p->goal = 0;
        Release(pl, KEYBUF_FWD);
        Release(pl, KEYBUF_BACK);
        SubSet(pl, AI_SUB_FREE);
        return 1;
    }
    if (AIGoalReached(pl, p->goal)) {
        pl->aiGuide[p->goal].on = 0;
        if (++p->goal >= p->goalCount) {
            p->goalCount = p->goal = 0;
            Release(pl, KEYBUF_FWD);
            Release(pl, KEYBUF_BACK);
            SubSet(pl, AI_SUB_FREE);
        }
        return 1;
    }
    int g = p->goal;
    int toward = (p->goalX[g] - pl->posX) * (float)pl->facing >= 0.0f ? KEYBUF_FWD : KEYBUF_BACK;
    int away = toward == KEYBUF_FWD ? KEYBUF_BACK : KEYBUF_FWD;
    Release(pl, away);
    Release(pl, KEYBUF_DOWN);
    Press(pl, toward);
    if (pl->state.stateType != STATETYPE_A && p->goalKind[g] == AI_GOAL_JUMP)
        Press(pl, KEYBUF_UP);
    else
        Release(pl, KEYBUF_UP);
    return 0;
}

// Sub-state 2: stand, crouch or jump as the chosen move starts, then its keys.
static int HeightSet(Player *pl)
{
    AIPlayer *ai = &pl->ai;
    int want = ai->plan.own.w[AIS_STATETYPE];
    int cur = pl->state.stateType;
    bool ok = true;
    if (want == STATETYPE_S) {
        Release(pl, KEYBUF_UP);
        Release(pl, KEYBUF_DOWN);
        ok = cur == STATETYPE_S;
    } else if (want == STATETYPE_C) {
        Release(pl, KEYBUF_UP);
        Press(pl, KEYBUF_DOWN);
        ok = cur == STATETYPE_C;
    } else if (want == STATETYPE_A) {
        if (cur != STATETYPE_A)
            Press(pl, KEYBUF_UP);
        ok = cur == STATETYPE_A;
    }
    if (ok) {
        for (int i = 0; i < AI_CMD_MAX; i++) {
            int label = ai->plan.own.w[AIS_CMDS + i];
            if (label < 0 || label >= CMD_LABEL_MAX)
                break;
            if (AICommandQueue(pl, label)) {
                ai->pendingState = ai->plan.own.w[AIS_KEY];
                break;
            }
        }
        ai->plan.crouch = want == STATETYPE_C;
        ai->plan.hasOwn = 0;
        SubSet(pl, AI_SUB_FREE);
        return 1;
    }
    if (ai->subTicks > 30) {
        ai->plan.hasOwn = 0;
        SubSet(pl, AI_SUB_FREE);
        return 1;
    }
    return 0;
}

int AIEventReact(Player *pl)
{
    AIPlayer *ai = &pl->ai;
    Player *opp = pl->opponent;
    int a = pl->aiLevel;
    if (!opp)
        return 0;
    int l = DistX(pl, opp);
    if (AIEventFind(pl, opp, AI_EVENT_START) >= 0) {
        SubSet(pl, AI_SUB_FREE);
        return 1;
    }
    int rb = KEYBUF_A + Rnd(6);
    if ((KEYBUF_A + Rnd(6) == rb && Rnd(100) < 99) || Rnd(8) == 0)
        rb = 0;

    if ((ai->inGuard && IdleWithCtrl(pl)) || pl->state.moveType == MOVETYPE_H) {
        int t = pl->state.time;
        int v = t > 1 ? 10 : a / 2 + 26;
        if (t < 5)
            v += 5;
        if (t > 10)
            v -= 5;
        if (l < 30)
            v += t > 1 ? a / 2 + 6 : a / 2 + 16;
        if (l > 160)
            v /= 2;
        int base = PlayerInGuardDist(pl, opp) ? v : v / 5;
        if (Rnd(100) < base * (a + 6) / 14) {
            int gf = GuardFlagOf(ai->attacker ? ai->attacker : opp);
            if (pl->guarding) {
                if (Rnd(100) >= 70) {
                    if (LowOnly(gf))
                        Press(pl, KEYBUF_DOWN);
                    else if (HighOnly(gf))
                        Release(pl, KEYBUF_DOWN);
                }
            } else {
                Release(pl, KEYBUF_UP);
                Release(pl, KEYBUF_FWD);
                Press(pl, KEYBUF_BACK);
                if (Rnd(100) < (opp->state.stateType == STATETYPE_C ? 75 : 25))
                    Press(pl, KEYBUF_DOWN);
                else
                    Release(pl, KEYBUF_DOWN);
            }
            return AI_REACT_TICK_END;
        }
    }
    if (!ai->inGuard)
        Release(pl, KEYBUF_BACK);

    if (Rnd(100) < 58) {
        if (Rnd(1000) < 62 && l > 125 && !Held(pl, KEYBUF_FWD)) {
            ReleaseDirs(pl);
            if (Rnd(1000) < 150)
                Press(pl, KEYBUF_UP);
            if (Rnd(1000) < 750)
                Press(pl, KEYBUF_FWD);
        } else if (Rnd(1000) < 62) {
            ReleaseDirs(pl);
            int m = Rnd(19);
            if (m <= 4)
                Press(pl, KEYBUF_UP);
            if (m == 0 || (m >= 11 && m <= 15))
                Press(pl, KEYBUF_BACK);
            if ((m >= 2 && m <= 10) || m == 18)
                Press(pl, KEYBUF_FWD);
            if (m >= 15)
                Press(pl, KEYBUF_DOWN);
        } else {
            bool guarded = pl->state.moveContact == CONTACT_GUARDED;
            int v = 100;
            if (pl->state.moveType == MOVETYPE_A)
                v = 150;
            if (guarded)
                v = (a + 12) * 350 / 20 + 150;
            int w = v + (l < 150 ? 50 : 0) + (l < 100 ? 75 : 0);
            int x = l > 59 ? w : w + 5 * a + 105;
            if (l < 45)
                x += 3 * a + 120;
            if (l < 30)
                x += 3 * a + 120;
            int chance = (a + 6) * x / (pl->state.moveType == MOVETYPE_H ? 140 : 14);
            if (Rnd(1000) < chance) {
                int d = 750;
                if (guarded)
                    d = pl->hitDef.attr & (HITATTR_NA | HITATTR_NT | HITATTR_NP | HITATTR_SA | HITATTR_ST | HITATTR_SP)
                            ? 250
                            : 500;
                if (Rnd(1000) < d) {
                    Toggle(pl, KEYBUF_A + Rnd(6));
                } else {
                    ReleaseDirs(pl);
                    const CmdSet *set = pl->cmdSet;
                    if (Rnd(1000) < 30 * a + 550 && gv->cfg.arcade.aiCheat && set && set->count > 0)
                        CmdUsedListAdd(ai->mark, Rnd(set->count));
                    if (rb) {
                        AIPendingPush(pl, rb);
                        AIPendingPush(pl, 0);
                        AIPendingPush(pl, rb | KEYBUF_RELEASE);
                    }
                }
            }
        }
    }

    if (pl->state.moveType == MOVETYPE_H && pl->getHit.fall) {
        int c = -pl->posY < 20.0f ? 20 : 2;
        if (pl->velY > -1.0f && pl->velY < 3.0f)
            c += 8;
        if (Rnd(100) < c) {
            int first = Rnd(2) ? KEYBUF_A + 3 : KEYBUF_A;
            AIPendingPush(pl, first);
            AIPendingPush(pl, first + 1);
            AIPendingPush(pl, 0);
            AIPendingPush(pl, first | KEYBUF_RELEASE);
            AIPendingPush(pl, (first + 1) | KEYBUF_RELEASE);
        }
    }
    return 0;
}

void AIGuardKeys(Player *pl)
{
    AIPlayer *ai = &pl->ai;
    Player *opp = pl->opponent;
    if (ai->dummyCooldown > 0)
        ai->dummyCooldown--;
    if (ai->inGuard && IdleWithCtrl(pl)) {
        if (ai->dummyGuard) {
            int gf = GuardFlagOf(ai->attacker);
            Release(pl, KEYBUF_UP);
            Release(pl, KEYBUF_FWD);
            if (LowOnly(gf))
                Press(pl, KEYBUF_DOWN);
            else if (HighOnly(gf))
                Release(pl, KEYBUF_DOWN);
            Press(pl, KEYBUF_BACK);
            return;
        }
        Release(pl, KEYBUF_BACK);
    }
    int dist = opp ? DistX(pl, opp) : 0;
    if (opp && ai->dummyApproach > 0) {
        if (dist > ai->dummyApproach) {
            Release(pl, KEYBUF_UP);
            Release(pl, KEYBUF_DOWN);
            Release(pl, KEYBUF_BACK);
            if (ai->dummyCooldown == 0)
                Press(pl, KEYBUF_FWD);
            return;
        }
        bool closing = (pl->posX - opp->posX) * opp->velX > 0.0f;
        if (!closing)
            Release(pl, KEYBUF_FWD);
    }
    if (opp && ai->dummyRetreat > 0 && !PlayerAtScreenEdge(pl) && dist < ai->dummyRetreat) {
        Release(pl, KEYBUF_UP);
        Release(pl, KEYBUF_DOWN);
        Release(pl, KEYBUF_FWD);
        Press(pl, KEYBUF_BACK);
        return;
    }
    bool ground = pl->state.stateType != STATETYPE_A;
    switch (ai->dummyStance) {
    case 0:
        ReleaseDirs(pl);
        break;
    case 1:
        Press(pl, KEYBUF_DOWN);
        break;
    case 2:
        if (ground)
            Press(pl, KEYBUF_UP);
        break;
    case 3:
        if (ground)
            Press(pl, KEYBUF_UP);
        else if (pl->velY >= 0.0f)
            Release(pl, KEYBUF_UP);
        break;
    default:
        break;
    }
    int n = ai->dummyButton;
    if (n >= 1 && n <= 7 && ai->dummyCooldown == 0) {
        Toggle(pl, KEYBUF_A + n - 1);
        ai->dummyCooldown = 5;
    }
}

void AIPlayerUpdate(Player *pl)
{
    if (!gv || !pl || !pl->enabled || !pl->aiControlled)
        return;
    AIPlayer *ai = &pl->ai;
    // The entries marked at the last input step are spent.
    CmdUsedListClear(ai->mark);
    Player *opp = pl->opponent;
    if (!opp || !opp->enabled)
        return;
    if (gv->round.state != 2) {
        for (int b = 1; b <= KEYBUF_BUTTONS; b++)
            Release(pl, b);
        return;
    }
    if (Held(pl, KEYBUF_FWD) && Held(pl, KEYBUF_BACK))
        Release(pl, pl->guarding ? KEYBUF_FWD : KEYBUF_BACK);
    if (Held(pl, KEYBUF_UP) && Held(pl, KEYBUF_DOWN))
        Release(pl, KEYBUF_UP);
    int code;
    if (PendingPop(pl, &code)) {
        if (code)
            KeyBufPush(&pl->keyBuf, code);
        if (ai->pendingCount == 0) {
            ai->pendingState = -1;
            ai->plan.crouch = 0;
        }
        return;
    }
    AttackerFind(pl);
    if (gv->matchKind == MATCH_KIND_TRAINING && ai->dummy) {
        AIGuardKeys(pl);
        return;
    }
    for (int step = 0; step < AI_STEP_MAX; step++) {
        int again = AIPlanStep(pl);
        switch (ai->sub) {
        case AI_SUB_FREE:
            Release(pl, KEYBUF_UP);
            Release(pl, KEYBUF_FWD);
            Release(pl, KEYBUF_BACK);
            if (ai->plan.crouch)
                Press(pl, KEYBUF_DOWN);
            else
                Release(pl, KEYBUF_DOWN);
            break;
        case AI_SUB_MOVE:
            again |= MoveStep(pl);
            break;
        case AI_SUB_HEIGHT:
            again |= HeightSet(pl);
            break;
        case AI_SUB_ATTACK:
            if (ai->inGuard && IdleWithCtrl(pl)) {
                Press(pl, KEYBUF_BACK);
                if (LowOnly(GuardFlagOf(ai->attacker)))
                    Press(pl, KEYBUF_DOWN);
            }
            break;
        case AI_SUB_REACT: {
            int r = AIEventReact(pl);
            again = r == AI_REACT_TICK_END ? 0 : again | r;
            break;
        }
        default:
            SubSet(pl, AI_SUB_FREE);
            again = 1;
            break;
        }
        if (!again)
            break;
    }
    ai->subTicks++;
    if (ai->cooldown > 0)
        ai->cooldown--;
    if (ai->approachWait > 0)
        ai->approachWait--;
    ai->sinceReaction++;
    ai->sinceOppAttack = opp->state.moveType == MOVETYPE_A ? 0 : ai->sinceOppAttack + 1;
}
