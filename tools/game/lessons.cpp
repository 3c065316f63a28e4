// Sample-game fighters' AI files: each fighter goes through the moves of its command file against the other, inside the engine, while the learning AI watches.
#include "game/lessons.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "game/art.h"
#include "kit/enginekit.h"
#include "lib/input-lb.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/textbuf.h"
#include "lib/timer.h"
#include "velok/core/common.h"
#include "velok/core/config.h"
#include "velok/core/ctrlinit.h"
#include "velok/core/gamevars.h"
#include "velok/core/team.h"
#include "velok/match/fight.h"
#include "velok/match/gameloop.h"
#include "velok/match/match.h"
#include "velok/player/helper.h"
#include "velok/player/keybuf.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/player/proj.h"

namespace {

const char *const kFighters[2] = {"brask", "lira"};

// Script steps: a key pressed (its KEYBUF number), let go (negated), or a
// tick of waiting (0). Forward and back turn into the screen's keys by the
// fighter's facing.
using Script = std::vector<int>;

enum { UP = KEYBUF_UP, FWD = KEYBUF_FWD, DOWN = KEYBUF_DOWN, BACK = KEYBUF_BACK };
enum { A = KEYBUF_A, B, C, X, Y, Z };

Script Wait(int ticks)
{
    return Script((size_t)ticks, 0);
}

Script operator+(Script a, const Script &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Script Tap(int key)
{
    return {key, -key};
}

struct Lesson {
    Script keys;
    int distance;  // between the two fighters when it starts
};

// Every move the fighters' command files start, at the distances it is
// meant for.
std::vector<Lesson> Lessons()
{
    std::vector<Lesson> out;
    for (int button : {X, Y, A, B})
        for (int d : {45, 75})
            out.push_back({Tap(button), d});
    for (int button : {X, A})
        for (int d : {45, 70})
            out.push_back({Script{DOWN} + Wait(4) + Tap(button) + Wait(12) + Script{-DOWN}, d});
    for (int button : {X, A})
        for (int d : {70, 110})
            out.push_back({Script{FWD, UP} + Wait(2) + Script{-UP} + Wait(6) + Tap(button) + Script{-FWD}, d});
    for (int button : {X, Y})
        for (int d : {70, 130, 190})
            out.push_back({Script{DOWN, FWD, -DOWN} + Tap(button) + Script{-FWD}, d});
    for (int button : {A, B})
        for (int d : {60, 110, 150})
            out.push_back({Script{DOWN, BACK, -DOWN} + Tap(button) + Script{-BACK}, d});
    return out;
}

Player *P(int slot)
{
    return PlayerSlotGet(slot);
}

// Neither fighter is in the middle of anything, and nothing of theirs flies.
bool AtRest()
{
    for (int slot = 1; slot <= 2; slot++) {
        Player *p = P(slot);
        if (!p || p->state.stateNo != 0 || !p->state.ctrl || p->state.moveType != MOVETYPE_I)
            return false;
        if (ProjListCountActive(p->projList) > 0 || HelperCount(p, 0) > 0)
            return false;
    }
    return true;
}

void Key(const Player *p, int step)
{
    int key = step < 0 ? -step : step;
    // Forward is the screen's right for a fighter facing right.
    if (key == FWD || key == BACK)
        key = (key == FWD) == (p->facing == 1) ? 2 : 4;
    int code = gv->playKeys[p->side - 1].key[key];
    IntQueuePush(gv->sysKeyQueue, step < 0 ? code | INPUT_RELEASE : code);
}

// Both fighters stand the distance apart around the middle of the stage,
// facing each other, at full life; the teacher on the left.
void Place(int teacher, int distance)
{
    Player *t = P(teacher), *o = P(3 - teacher);
    float middle = 160.0f;
    t->posX = middle - (float)distance / 2;
    o->posX = middle + (float)distance / 2;
    for (Player *p : {t, o}) {
        p->velX = p->velY = 0;
        p->posY = 0;
        PlayerLifeSet(p, p->lifeMax);
    }
    if (t->facing != 1)
        PlayerTurn(t);
    if (o->facing != -1)
        PlayerTurn(o);
}

// Game ticks as the round loop runs them, counting the game's tick (the
// command buffer and the state runs are stamped with it).
void Tick(int n = 1)
{
    for (int i = 0; i < n; i++) {
        GameLoopTick();
        gv->gameTick++;
    }
}

int Fail(std::string *error, const std::string &what)
{
    *error = what + (gv && gv->errorText[0] ? std::string(": ") + gv->errorText : std::string());
    return 0;
}

int Teach(std::string *error)
{
    if (!SysCfgLoad("data/velok.cfg"))
        return Fail(error, "Can't read data/velok.cfg");
    gv->cfg.sound.sound = 0;
    gv->cfg.debug.debug = 0;
    gv->options.life = 100;
    gv->options.time = 99;
    InitKeysDefault();
    if (!FightDefLoad("data/fight.def"))
        return Fail(error, "Can't load data/fight.def");
    std::vector<CharInfo> entries(2);
    for (int i = 0; i < 2; i++)
        CharEntrySet(&entries[i], std::string("chars/") + kFighters[i] + "/", std::string(kFighters[i]) + ".def");
    gv->charList = entries.data();
    gv->charCount = 2;
    StrCopy(gv->stageFile, sizeof gv->stageFile, "stages/ridge.def");
    if (!StageLoad())
        return Fail(error, "Can't load the stage");
    for (int side = 1; side <= 2; side++) {
        TeamSetup(&gv->teams[side - 1], side, 0, 1);
        TeamMember *m = TeamMemberAt(&gv->teams[side - 1], 0);
        m->charIndex = side - 1;
        m->palNo = 0;
    }
    int ok = MatchTeamsSetup(0);
    if (ok) {
        gv->playerInput = 1;
        gv->gameLoopMode = GAMELOOP_MATCH;
        for (int i = 0; i < 600 && !(gv->round.state == 2 && AtRest()); i++)
            Tick();
        ok = gv->round.state == 2;
        if (!ok)
            Fail(error, "The lessons' round never started");
    }
    if (ok) {
        gv->round.timeLeft = -1;
        for (int teacher = 1; teacher <= 2; teacher++)
            for (const Lesson &l : Lessons()) {
                for (int i = 0; i < 400 && !AtRest(); i++)
                    Tick();
                Place(teacher, l.distance);
                Tick();
                for (int step : l.keys) {
                    if (step)
                        Key(P(teacher), step);
                    Tick();
                }
                Tick(20);
            }
        for (int i = 0; i < 400 && !AtRest(); i++)
            Tick();
    }
    gv->gameLoopMode = 0;
    // Letting the fighters go hands what they learned to their characters,
    // and emptying the cache writes it into their AI files.
    PalListFree();
    MatchPlayersFree();
    if (!PlayerCacheFlush() && ok)
        ok = Fail(error, "The fighters stayed in use");
    PlayerSlotsFree();
    FightDataFree();
    gv->charList = nullptr;
    gv->charCount = 0;
    for (int i = 0; ok && i < gv->warnLog->count; i++)
        if (gv->warnLog->lines[i][0])
            ok = Fail(error, std::string("The lessons warned: ") + gv->warnLog->lines[i]);
    return ok;
}

} // namespace

int FighterLessonsRun(const std::string &root, std::string *error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path back = fs::current_path(ec);
    if (ec || (fs::current_path(root, ec), ec)) {
        *error = "Can't enter " + root;
        return 0;
    }
    // The lessons start from nothing: learning on top of an AI file from an
    // earlier run would make every run's files differ.
    for (const char *name : kFighters)
        fs::remove(fs::path("chars") / name / (std::string(name) + ".ai"), ec);
    ArtStart();
    gv = new GameVars();
    for (int i = 0; i < 4; i++)
        gv->cmdAi[i] = gv->cmdColor[i] = gv->cmdLife[i] = gv->cmdPower[i] = -1;
    gv->warnLog = TextBufCreate(200, 8);
    gv->sysKeyQueue = (IntQueue *)LibCalloc(1, sizeof(IntQueue));
    IntQueueCreate(gv->sysKeyQueue, 64);
    PalFxGlobalInit();
    // The lessons need no frame pacing: the game ticks are run one by one.
    TimerDeviceSet(&kQuietTimer);
    TimerInit(180);
    TimerSpeedSet(60);

    int ok = Teach(error);

    TimerExit();
    TimerDeviceSet(nullptr);
    PalFxGlobalFree();
    IntQueueFree(gv->sysKeyQueue);
    MemFree(gv->sysKeyQueue);
    TextBufFree(gv->warnLog);
    delete gv;
    gv = nullptr;
    // The engine's status log of the run is no part of the game.
    LogWrite("close log");
    fs::remove("velokw.log", ec);
    fs::current_path(back, ec);
    return ok;
}
