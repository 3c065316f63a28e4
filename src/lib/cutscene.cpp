// Storyboards: scripted scenes of a background, ten timed animation layers, fades through the global palette effect and music hooks.
#include "lib/cutscene.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "lib/anim-lib.h"
#include "lib/bg.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/txtparse.h"
#include "lib/vbuf.h"

enum {
    FADE_WHITE_FROM = 128,  // fade colours from this value up fade through white
};

// A file named by the storyboard, relative to its directory unless absolute.
static std::string Joined(const char *dir, const char *name)
{
    if (PathIsAbsolute(name) || !dir[0])
        return name;
    std::string path = dir;
    char last = path.back();
    if (last != '/' && last != '\\')
        path += '/';
    return path + name;
}

// "[" name, then a blank or "]".
static bool GroupIs(const char *header, const std::string &name)
{
    if (!header || header[0] != '[' || strncasecmp(header + 1, name.c_str(), name.size()) != 0)
        return false;
    char c = header[1 + name.size()];
    return c == ' ' || c == '\t' || c == ']';
}

static bool SceneValid(const StoryboardData *d, int scene)
{
    return d && scene >= 0 && scene < d->sceneCount;
}

// ---------------------------------------------------------------- reading

static void SceneDefaults(StoryboardScene *s, const StoryboardScene *prev)
{
    memset(s, 0, sizeof *s);
    s->bgmLoop = 1;
    s->endTime = -1;
    for (StoryboardLayer &l : s->layers)
        l.action = -1;
    // The clear colour, the window and the common layer position carry over.
    if (prev) {
        s->clearR = prev->clearR;
        s->clearG = prev->clearG;
        s->clearB = prev->clearB;
        s->window = prev->window;
        s->winX1 = prev->winX1;
        s->winY1 = prev->winY1;
        s->winX2 = prev->winX2;
        s->winY2 = prev->winY2;
        s->layerAllX = prev->layerAllX;
        s->layerAllY = prev->layerAllY;
    } else {
        s->clearR = -1;
    }
}

// The keys of the scene group that is current; 0 with the reason in LibErrorMsg.
static int SceneRead(StoryboardData *d, TxtParseFile *tp, const char *header, StoryboardScene *s)
{
    const char *bgm = TxtParseValueGet(tp, "bgm");
    if (bgm) {
        s->bgmGiven = 1;
        StrCopy(s->bgm, sizeof s->bgm, bgm);
    }
    TxtParseIntGet(tp, "bgm.loop", &s->bgmLoop);
    TxtParseIntGet(tp, "fadein.time", &s->fadeInTime);
    TxtParseIntGet(tp, "fadein.col", &s->fadeInCol);
    TxtParseIntGet(tp, "fadeout.time", &s->fadeOutTime);
    TxtParseIntGet(tp, "fadeout.col", &s->fadeOutCol);
    int c[4];
    if (TxtParseScan(tp, "clearcolor", "%i,%i,%i", &c[0], &c[1], &c[2]) == 3) {
        s->clearR = c[0];
        s->clearG = c[1];
        s->clearB = c[2];
    }
    if (TxtParseScan(tp, "window", "%i,%i,%i,%i", &c[0], &c[1], &c[2], &c[3]) == 4) {
        s->window = !(c[0] == -1 || c[2] < c[0]);
        s->winX1 = c[0];
        s->winY1 = c[1];
        s->winX2 = c[2];
        s->winY2 = c[3];
    }
    TxtParseIntPairGet(tp, "layerall.pos", &s->layerAllX, &s->layerAllY);
    for (int i = 0; i < STORYBOARD_LAYERS; i++) {
        char key[32];
        snprintf(key, sizeof key, "layer%i.anim", i);
        TxtParseIntGet(tp, key, &s->layers[i].action);
        snprintf(key, sizeof key, "layer%i.offset", i);
        TxtParseIntPairGet(tp, key, &s->layers[i].offsetX, &s->layers[i].offsetY);
        snprintf(key, sizeof key, "layer%i.starttime", i);
        TxtParseIntGet(tp, key, &s->layers[i].startTime);
    }
    if (!TxtParseIntGet(tp, "end.time", &s->endTime)) {
        LibMsgSet("\nIn %s: end.time not specified.", header);
        return 0;
    }
    // Read last: loading the background moves the parser to its groups.
    char bgName[256];
    if (TxtParseScan(tp, "bg.name", "%255s", bgName) == 1 && bgName[0]) {
        s->bg = BGLoad(tp, d->dir, bgName, d->spr, d->anims);
        if (!s->bg)
            return 0;
    }
    return 1;
}

StoryboardData *StoryboardParse(TxtParseFile *tp, const char *dir, const char *name, SprSet *spr, AnimSet *anims)
{
    LibErrorMsg[0] = 0;
    StoryboardData *d = new StoryboardData{};
    StrCopy(d->dir, sizeof d->dir, dir ? dir : "");
    if (strlen(dir ? dir : "") >= sizeof d->dir) {
        LibMsgSet("Directory name too long: %.64s...", dir);
        StoryboardDataFree(d);
        return nullptr;
    }
    d->spr = spr;
    d->anims = anims;

    std::string defGroup = std::string(name) + "def";
    if (TxtParseGroupSet(tp, defGroup.c_str()) < 0) {
        LibMsgSet("Can't access group %s", defGroup.c_str());
        StoryboardDataFree(d);
        return nullptr;
    }
    const char *sprName = TxtParseValueGet(tp, "spr");
    if (sprName && *sprName) {
        std::string path = Joined(d->dir, sprName);
        d->spr = SprLoad(path.c_str());
        if (!d->spr) {
            LibMsgSet("Error reading sprite %s", path.c_str());
            StoryboardDataFree(d);
            return nullptr;
        }
        d->ownsSpr = 1;
    } else if (!spr) {
        LibMsgSet("Error: sff file must be specified");
        StoryboardDataFree(d);
        return nullptr;
    }
    TxtParseIntGet(tp, "startscene", &d->startScene);

    if (!d->anims && TxtParseGroupCount(tp, "begin action ") > 0) {
        d->anims = AnimSetParse(tp);
        if (!d->anims) {
            LibMsgAppend("\nError loading anim.");
            StoryboardDataFree(d);
            return nullptr;
        }
        d->ownsAnims = 1;
    }

    // Scene groups first, by index: loading a background moves the parser.
    struct SceneGroup {
        int index;
        std::string title;  // the header without its brackets, for messages
    };
    std::vector<SceneGroup> groups;
    std::string sceneName = name;
    int index = 0;
    for (const char *g = TxtParseGroupFirst(tp); g; g = TxtParseGroupNext(tp), index++) {
        if (!GroupIs(g, sceneName))
            continue;
        std::string title = g + 1;
        size_t close = title.find(']');
        if (close != std::string::npos)
            title.erase(close);
        groups.push_back({index, title});
    }
    if (groups.empty()) {
        LibMsgSet("Need at least one [%s] type act", name);
        StoryboardDataFree(d);
        return nullptr;
    }
    d->scenes = new StoryboardScene[groups.size()];
    for (size_t i = 0; i < groups.size(); i++) {
        StoryboardScene *s = &d->scenes[i];
        SceneDefaults(s, i ? &d->scenes[i - 1] : nullptr);
        d->sceneCount = (int)i + 1;  // so that a failure frees what was built
        TxtParseGroupSetIndex(tp, groups[i].index);
        if (!SceneRead(d, tp, groups[i].title.c_str(), s)) {
            StoryboardDataFree(d);
            return nullptr;
        }
    }

    if (d->anims) {
        for (AnimObj *&layer : d->layers) {
            layer = AnimObjCreate(d->anims, d->spr);
            if (!layer) {
                LibMsgSet("Out of memory.");
                StoryboardDataFree(d);
                return nullptr;
            }
        }
    }
    StoryboardDataRestart(d);
    return d;
}

Storyboard *StoryboardLoadFromParser(TxtParseFile *tp, const char *dir, const char *name, SprSet *spr,
                                     AnimSet *anims)
{
    StoryboardData *d = StoryboardParse(tp, dir, name, spr, anims);
    if (!d)
        return nullptr;
    Storyboard *sb = new Storyboard{STORYBOARD_KIND, d};
    return sb;
}

Storyboard *StoryboardLoad(const char *path, const char *name, SprSet *spr, AnimSet *anims)
{
    TxtParseFile *tp = TxtParseOpen(path);
    if (!tp) {
        LibMsgSet("\nTXTPARSE error opening %s", path);
        return nullptr;
    }
    char dir[STORYBOARD_DIR_LEN];
    PathSplit(path, dir, sizeof dir, nullptr, 0);
    Storyboard *sb = nullptr;
    if (strlen(path) >= sizeof dir)
        LibMsgSet("File name too long");
    else
        sb = StoryboardLoadFromParser(tp, dir, name, spr, anims);
    TxtParseClose(tp);
    if (!sb) {
        LibMsgAppend("\nCutscene error reading ");
        LibMsgAppend(path);
    }
    return sb;
}

static StoryboardData *Data(Storyboard *sb)
{
    return sb && sb->kind == STORYBOARD_KIND ? sb->data : nullptr;
}

void StoryboardSetBgmHooks(Storyboard *sb, StoryboardBgmPlay play, StoryboardBgmStop stop)
{
    StoryboardData *d = Data(sb);
    if (!d)
        return;
    d->bgmPlay = play;
    d->bgmStop = stop;
}

// ---------------------------------------------------------------- playing

static void MusicStop(StoryboardData *d)
{
    if (!d->bgmStarted)
        return;
    if (d->bgmStop)
        d->bgmStop();
    d->bgmStarted = 0;
}

void StoryboardDataRestart(StoryboardData *d)
{
    if (!d)
        return;
    for (int &started : d->layerStarted)
        started = 0;
    d->timer = 0;
    d->tickCount = 0;
    d->scene = d->startScene;
    d->active = 1;
    MusicStop(d);
}

void StoryboardRestart(Storyboard *sb)
{
    StoryboardDataRestart(Data(sb));
}

static void SceneBegin(StoryboardData *d, StoryboardScene *s)
{
    for (int &started : d->layerStarted)
        started = 0;
    if (s->bg)
        BGReset(s->bg);
    if (s->bgmGiven)
        MusicStop(d);
    if (s->bgm[0] && d->bgmPlay) {
        std::string path = Joined(d->dir, s->bgm);
        d->bgmPlay(path.c_str(), s->bgmLoop);
        d->bgmStarted = 1;
    }
}

int StoryboardDataTick(StoryboardData *d)
{
    if (!d || !d->active)
        return 0;
    // A start scene outside the scenes has nothing to play.
    if (!SceneValid(d, d->scene)) {
        d->active = 0;
        return 1;
    }
    StoryboardScene *s = &d->scenes[d->scene];
    if (s->endTime != -1 && d->timer >= s->endTime) {
        d->scene++;
        d->timer = 0;
        if (d->scene >= d->sceneCount) {
            d->active = 0;
            return 1;
        }
        s = &d->scenes[d->scene];
    }
    if (d->timer == 0)
        SceneBegin(d, s);
    if (d->anims) {
        for (int i = 0; i < STORYBOARD_LAYERS; i++) {
            const StoryboardLayer &l = s->layers[i];
            if (l.action >= 0 && l.startTime == d->timer)
                d->layerStarted[i] = AnimObjChangeAction(d->layers[i], 0, l.action);
            if (d->layerStarted[i])
                AnimObjTick(d->layers[i]);
        }
    }
    if (s->bg) {
        BGTick(s->bg);
        BGSetCamera(s->bg, 0.0f, 0.0f);
    }
    d->timer++;
    if (s->endTime != -1 && d->timer >= s->endTime && d->scene == d->sceneCount - 1) {
        d->active = 0;
        return 1;
    }
    d->tickCount++;
    return 0;
}

int StoryboardTick(Storyboard *sb)
{
    return StoryboardDataTick(Data(sb));
}

int StoryboardDataFadeLevel(const StoryboardData *d)
{
    if (!d || !SceneValid(d, d->scene))
        return -1;
    const StoryboardScene *s = &d->scenes[d->scene];
    int t = d->timer - 1;
    int v = -1;
    if (t >= 0 && t <= s->fadeInTime) {
        v = s->fadeInTime == 0 ? STORYBOARD_FADE_FULL : (int)((long long)t * STORYBOARD_FADE_FULL / s->fadeInTime);
        if (s->fadeInCol >= FADE_WHITE_FROM)
            v = 2 * STORYBOARD_FADE_FULL - v;
    }
    // A scene that never ends, or whose end has passed, has no fade-out.
    int r = s->endTime - d->timer;
    if (s->endTime != -1 && s->fadeOutTime > 0 && r >= 0 && r < s->fadeOutTime) {
        v = (int)((long long)r * STORYBOARD_FADE_FULL / s->fadeOutTime);
        if (s->fadeOutCol >= FADE_WHITE_FROM)
            v = 2 * STORYBOARD_FADE_FULL - v;
    }
    return v;
}

void StoryboardDataFade(StoryboardData *d)
{
    int v = StoryboardDataFadeLevel(d);
    if (v < 0)
        return;
    if (v > STORYBOARD_FADE_FULL)
        PalFxGlobalAddSet(v - STORYBOARD_FADE_FULL, v - STORYBOARD_FADE_FULL, v - STORYBOARD_FADE_FULL);
    else
        PalFxGlobalMulSet(v, v, v);
}

void StoryboardFade(Storyboard *sb)
{
    StoryboardDataFade(Data(sb));
}

void StoryboardDataDraw(StoryboardData *d)
{
    if (!d || !SceneValid(d, d->scene) || !vbufTarget.pixels)
        return;
    StoryboardScene *s = &d->scenes[d->scene];
    if (s->clearR != -1)
        VbufClear(PalColor565(s->clearR, s->clearG, s->clearB));
    int clip[4];
    VbufClipSave(clip);
    if (s->window)
        VbufClipSet(s->winX1, s->winY1, s->winX2, s->winY2);
    if (s->bg)
        BGDrawLayer(s->bg, 0);
    if (d->anims) {
        for (int i = 0; i < STORYBOARD_LAYERS; i++)
            if (d->layerStarted[i])
                AnimObjDraw(d->layers[i], s->layerAllX + s->layers[i].offsetX, s->layerAllY + s->layers[i].offsetY);
    }
    if (s->bg)
        BGDrawLayer(s->bg, 1);
    VbufClipRestore(clip);
}

void StoryboardDraw(Storyboard *sb)
{
    StoryboardDataDraw(Data(sb));
}

void StoryboardDataFree(StoryboardData *d)
{
    if (!d)
        return;
    MusicStop(d);
    for (int i = 0; i < d->sceneCount; i++)
        BGFree(d->scenes[i].bg);
    delete[] d->scenes;
    for (AnimObj *layer : d->layers)
        AnimObjFree(layer);
    if (d->ownsAnims)
        AnimSetFree(d->anims);
    if (d->ownsSpr)
        SprSetFree(d->spr);
    delete d;
}

void StoryboardFree(Storyboard *sb)
{
    if (!sb)
        return;
    if (sb->kind == STORYBOARD_KIND)
        StoryboardDataFree(sb->data);
    delete sb;
}
