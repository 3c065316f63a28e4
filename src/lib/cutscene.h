// Storyboards: scripted scenes of a background, ten timed animation layers, fades through the global palette effect and music hooks.
#pragma once

struct AnimObj;
struct AnimSet;
struct BGDef;
struct SprSet;
struct TxtParseFile;

enum {
    STORYBOARD_KIND = 0,         // the one kind of storyboard; any other does nothing
    STORYBOARD_LAYERS = 10,
    STORYBOARD_BGM_LEN = 128,    // a scene's music file name: 127 characters
    STORYBOARD_DIR_LEN = 512,
    STORYBOARD_FADE_FULL = 256,  // the palette level of an unfaded picture
};

// Called with the music file (the storyboard's directory joined with the
// scene's name) and its loop switch; the stop hook ends what it started.
typedef void (*StoryboardBgmPlay)(const char *path, int loop);
typedef void (*StoryboardBgmStop)();

struct StoryboardLayer {
    int action;  // -1 none
    int offsetX, offsetY;
    int startTime;
};

struct StoryboardScene {
    char bgm[STORYBOARD_BGM_LEN];
    int bgmGiven;  // the scene has a "bgm" key, even an empty one
    int bgmLoop;
    int fadeInTime, fadeInCol;    // a colour of 128 or more fades from white
    int fadeOutTime, fadeOutCol;  // ... or to white
    int clearR, clearG, clearB;   // clearR -1: the target is not cleared
    int window;                   // the clip rectangle below is used
    int winX1, winY1, winX2, winY2;
    BGDef *bg;                    // null: none
    int layerAllX, layerAllY;
    StoryboardLayer layers[STORYBOARD_LAYERS];
    int endTime;                  // -1: the scene never ends
};

struct StoryboardData {
    StoryboardScene *scenes;  // in file order
    int sceneCount;
    SprSet *spr;
    int ownsSpr;
    AnimSet *anims;  // null: the layers show nothing
    int ownsAnims;
    char dir[STORYBOARD_DIR_LEN];  // the definition file's directory
    int startScene;

    // Playing state
    int active;
    int scene;
    int timer;      // ticks since the scene began
    int tickCount;
    AnimObj *layers[STORYBOARD_LAYERS];  // null without an action set
    int layerStarted[STORYBOARD_LAYERS];

    StoryboardBgmPlay bgmPlay;
    StoryboardBgmStop bgmStop;
    int bgmStarted;
};

struct Storyboard {
    int kind;  // STORYBOARD_KIND
    StoryboardData *data;
};

// Reads the storyboard whose groups are named name ([<name>def], then every
// [<name> ...] group as a scene). The caller's sprite and action sets are
// used when given (the storyboard does not free them). Null with the reason
// in LibErrorMsg.
Storyboard *StoryboardLoad(const char *path, const char *name, SprSet *spr, AnimSet *anims);
Storyboard *StoryboardLoadFromParser(TxtParseFile *tp, const char *dir, const char *name, SprSet *spr,
                                     AnimSet *anims);
StoryboardData *StoryboardParse(TxtParseFile *tp, const char *dir, const char *name, SprSet *spr, AnimSet *anims);

void StoryboardSetBgmHooks(Storyboard *sb, StoryboardBgmPlay play, StoryboardBgmStop stop);

// Back to the start scene at its first tick; music that was started is stopped.
void StoryboardRestart(Storyboard *sb);
void StoryboardDataRestart(StoryboardData *d);
// One tick; 1 when the storyboard has finished (a start scene outside the
// scenes finishes at the first tick).
int StoryboardTick(Storyboard *sb);
int StoryboardDataTick(StoryboardData *d);
// Sets the global palette effect for the fade of the tick just run.
void StoryboardFade(Storyboard *sb);
void StoryboardDataFade(StoryboardData *d);
// The fade level of the tick just run: 256 unfaded, below toward black,
// above toward white; -1 when the scene sets none now.
int StoryboardDataFadeLevel(const StoryboardData *d);
// Draws the current scene into the drawing target.
void StoryboardDraw(Storyboard *sb);
void StoryboardDataDraw(StoryboardData *d);
// Stops music that was started and frees everything the storyboard owns.
void StoryboardFree(Storyboard *sb);
void StoryboardDataFree(StoryboardData *d);
