// A full-size character: its load time, two of them fighting a round tick by tick, and its triggers.
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "allocount.h"
#include "bigchar.h"
#include "kit/enginekit.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/disp.h"
#include "lib/drawlist.h"
#include "lib/gfx.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/textbuf.h"
#include "lib/timer.h"
#include "lib/txtparse.h"
#include "lib/vbuf.h"
#include "support/charkit.h"
#include "support/deftext.h"
#include "support/pixkit.h"
#include "support/stagekit.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/core/team.h"
#include "velok/match/gameloop.h"
#include "velok/match/match.h"
#include "velok/match/round.h"
#include "velok/player/chardef.h"
#include "velok/player/keybuf.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/script/expr.h"
#include "velok/script/sctrl.h"
#include "velok/script/st-trig.h"
#include "velok/script/state-i.h"
#include "velok/script/statedef.h"

namespace {

int NoEscape()
{
    return 0;
}

// The generated characters in a temporary directory, and a game record to
// load and run them in. Made once, on first use, and removed at exit.
struct World {
    std::string dir, oldDir;
    BITMAP *canvas = nullptr;
    std::vector<int> rows;
    VbufTarget drawTarget{};
    std::vector<CharInfo> entries;
    bool matchReady = false;

    World()
    {
        install_allegro(SYSTEM_NONE, &errno, atexit);
        GfxSinTableInit();
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd))
            oldDir = cwd;
        std::string tmpl = (std::filesystem::temp_directory_path() / "velok-bench-XXXXXX").string();
        if (!mkdtemp(tmpl.data()) || chdir(tmpl.c_str()) != 0) {
            fprintf(stderr, "bench: no temporary directory\n");
            exit(1);
        }
        dir = tmpl;

        gv = new GameVars();
        gv->warnLog = TextBufCreate(64, 64);
        gv->options.life = 100;
        gv->options.difficulty = 4;
        gv->cfg.misc.playerCache = 2;
        gv->cfg.engine.drawShadows = 1;
        PalFxGlobalInit();
        TimerDeviceSet(&kQuietTimer);
        TimerInit(180);
        TimerSpeedSet(60);
        PlayerStateApplySet(PlayerSCtrlApply);
        PlayerStateEscapeSet(NoEscape);

        for (int n : {1000, 2000}) {
            BigCharSizes sizes;
            sizes.images = n;
            BigCharMake(sizes).WriteDir("chars/n" + std::to_string(n));
        }
        CharKit big = BigCharMake();
        big.WriteDir("chars/n4000");
        big.WriteZip("chars/big.zip");
    }

    ~World()
    {
        MatchEnd();
        TimerExit();
        TimerDeviceSet(nullptr);
        PalFxGlobalFree();
        TextBufFree(gv->warnLog);
        delete gv;
        gv = nullptr;
        if (!oldDir.empty() && chdir(oldDir.c_str()) != 0)
            fprintf(stderr, "bench: cannot return to %s\n", oldDir.c_str());
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    CharData *Load(const std::string &path)
    {
        gv->errorText[0] = 0;
        CharData *cd = PlayerDefLoadAny(path.c_str(), "kit.def");
        if (!cd) {
            fprintf(stderr, "bench: cannot load %s: %s\n", path.c_str(), gv->errorText);
            exit(1);
        }
        return cd;
    }

    // Two full-size characters (two select entries of the generated
    // character) made by the match set-up on a stage whose background is a
    // small floor, in the fight state of a training round that never ends,
    // with shadows, drawing into a 320x240 target.
    void MatchBegin()
    {
        if (matchReady)
            return;
        for (int i = 0; i < 4; i++)
            gv->cmdAi[i] = gv->cmdColor[i] = gv->cmdLife[i] = gv->cmdPower[i] = -1;
        gv->options.time = 99;
        gv->cfg.misc.playerCache = 8;
        gv->cfg.engine.helperMax = 2;
        gv->activePause = -1;
        gv->playerInput = 1;
        gv->drawList = DrawListCreate(64);
        FightRoundDefaults();
        entries.resize(2);
        for (CharInfo &e : entries)
            CharKitEntrySet(&e, "chars/n4000");
        gv->charList = entries.data();
        gv->charCount = (int)entries.size();
        StageKit().Write("stages/bench.def");
        StrCopy(gv->stageFile, sizeof gv->stageFile, "stages/bench.def");
        for (int side = 1; side <= 2; side++) {
            TeamInfo *t = &gv->teams[side - 1];
            TeamSetup(t, side, TEAM_MODE_SINGLE, 1);
            TeamMember *m = TeamMemberAt(t, 0);
            m->charIndex = side - 1;
            m->palNo = 0;
        }
        if (!StageLoad() || !MatchTeamsSetup(0)) {
            fprintf(stderr, "bench: no match: %s\n", gv->errorText);
            exit(1);
        }
        CharData *cd = PlayerSlotGet(1)->charData;
        StateDef *minus1 = StateDefListFind(cd->states, -1);
        fprintf(stderr, "bench: the character has %d images, %d palettes, %d statedefs (%d controllers in state -1), "
                        "%d commands, %d actions\n",
                SprSetImageCount(cd->spr), SprSetPalCount(cd->spr), cd->states->defs->used,
                minus1 ? minus1->ctrls->used : 0, cd->cmds.count, cd->anims->count);
        gv->round.state = 2;
        gv->gameLoopMode = GAMELOOP_MATCH;
        gv->matchKind = MATCH_KIND_TRAINING;

        canvas = PixCanvas(0x4208);
        PixVbufTargetSet(canvas, &rows);
        drawTarget = vbufTarget;
        disp = DispState{};
        disp.noFrameWait = 1;
        GameLoopEnter(GAMELOOP_MATCH);
        matchReady = true;
    }

    void MatchEnd()
    {
        if (!matchReady)
            return;
        GameLoopLeave();
        vbufTarget = VbufTarget{};
        PalListFree();
        MatchPlayersFree();
        PlayerCacheFlush();
        PlayerSlotsFree();
        DrawListFree(gv->drawList);
        gv->drawList = nullptr;
        destroy_bitmap(canvas);
        canvas = nullptr;
        matchReady = false;
    }
};

World &TheWorld()
{
    static World world;
    return world;
}

// Walks in, attacks, jumps, crouches, backs off and throws a special, over
// a 240-tick cycle; the second player runs the same script half a cycle late.
const int KEY_B = KEYBUF_A + 1, KEY_C = KEYBUF_A + 2, KEY_X = KEYBUF_A + 3;

void KeyScript(Player *p, int tick)
{
    struct Step {
        int at;
        int code;
    };
    static const Step steps[] = {
        {0, KEYBUF_FWD},   {40, KEYBUF_FWD | KEYBUF_RELEASE},   {44, KEYBUF_A},
        {46, KEYBUF_A | KEYBUF_RELEASE}, {70, KEY_B},   {72, KEY_B | KEYBUF_RELEASE},
        {96, KEYBUF_UP},   {100, KEYBUF_UP | KEYBUF_RELEASE},   {100, KEYBUF_FWD},
        {130, KEYBUF_FWD | KEYBUF_RELEASE}, {132, KEYBUF_DOWN}, {150, KEY_X},
        {152, KEY_X | KEYBUF_RELEASE}, {160, KEYBUF_FWD}, {162, KEYBUF_DOWN | KEYBUF_RELEASE},
        {164, KEYBUF_A},  {166, KEYBUF_A | KEYBUF_RELEASE},  {166, KEYBUF_FWD | KEYBUF_RELEASE},
        {180, KEYBUF_BACK}, {220, KEYBUF_BACK | KEYBUF_RELEASE}, {224, KEY_C},
        {226, KEY_C | KEYBUF_RELEASE},
    };
    int t = tick % 240;
    for (const Step &s : steps)
        if (s.at == t)
            KeyBufPush(&p->keyBuf, s.code);
}

// One frame of the round with its key script; life and the clock are kept up
// so that the round never ends.
int MatchFrame()
{
    int tick = gv->gameTick;
    KeyScript(PlayerSlotGet(1), tick);
    KeyScript(PlayerSlotGet(2), tick + 120);
    for (int s = 1; s <= 2; s++) {
        Player *p = PlayerSlotGet(s);
        if (p->life < p->lifeMax / 2)
            p->life = p->lifeMax;
        if (p->posX < -300.0f || p->posX > 300.0f)
            p->posX = s == 1 ? -70.0f : 70.0f;
    }
    gv->round.timeLeft = 99 * gv->fightRound.framesPerCount;
    int go = GameLoopFrame();
    if (gv->speedTest && gv->gameTick >= 10000)
        gv->gameTick = 0;
    return go;
}

enum Drawing { NO_DRAWING, EVERY_FRAME, SPEED_TEST };

void RunMatch(benchmark::State &state, Drawing mode)
{
    World &w = TheWorld();
    w.MatchBegin();
    vbufTarget = mode == NO_DRAWING ? VbufTarget{} : w.drawTarget;
    gv->speedTest = mode == SPEED_TEST;
    disp.frameSkip = 0;
    disp.skipCounter = 0;
    disp.skipFrame = 0;
    // Into the steady state first: every action and state of the script met.
    for (int i = 0; i < 480; i++)
        MatchFrame();
    AllocCountReset();
    long frames = 0;
    for (auto _ : state) {
        MatchFrame();
        frames++;
    }
    long allocs = AllocCount();
    state.counters["ticks_per_s"] = benchmark::Counter((double)frames, benchmark::Counter::kIsRate);
    state.counters["allocs"] = (double)allocs;
    gv->speedTest = 0;
}

void BM_MatchNoDrawing(benchmark::State &state)
{
    RunMatch(state, NO_DRAWING);
}
void BM_MatchDrawingEveryFrame(benchmark::State &state)
{
    RunMatch(state, EVERY_FRAME);
}
void BM_MatchSpeedTest(benchmark::State &state)
{
    RunMatch(state, SPEED_TEST);
}

void LoadTimed(benchmark::State &state, const std::string &path, int images)
{
    World &w = TheWorld();
    for (auto _ : state) {
        CharData *cd = w.Load(path);
        state.PauseTiming();
        CharDataFree(cd);
        state.ResumeTiming();
    }
    state.counters["us_per_image"] = benchmark::Counter((double)images * (double)state.iterations() * 1e-6,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_LoadCharDir(benchmark::State &state)
{
    int n = (int)state.range(0);
    LoadTimed(state, "chars/n" + std::to_string(n), n);
}

void BM_LoadCharZip(benchmark::State &state)
{
    LoadTimed(state, "chars/big.zip", 4000);
}

void BM_LoadSprites(benchmark::State &state)
{
    TheWorld();
    int n = (int)state.range(0);
    std::string path = "chars/n" + std::to_string(n) + "/kit.sff";
    for (auto _ : state) {
        SprSet *set = SprLoad(path.c_str());
        if (!set)
            state.SkipWithError("sprite file not loaded");
        state.PauseTiming();
        SprSetFree(set);
        state.ResumeTiming();
    }
    state.counters["us_per_image"] = benchmark::Counter((double)n * (double)state.iterations() * 1e-6,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Trigger lines of the kinds most state files are made of.
const char *const typicalTriggers[] = {
    "Time = 0",
    "AnimElem = 2",
    "p2statetype = S",
    "stateno = [200, 290]",
    "vel x > 0 && Anim != 20",
    "statetype != A",
    "ctrl",
    "power >= 1000",
    "var(3) > 10 || Time = 7",
    "MoveContact",
};

void BM_TriggerEval(benchmark::State &state)
{
    World &w = TheWorld();
    w.MatchBegin();
    Player *p = PlayerSlotGet(1);
    std::vector<Expr> exprs;
    for (const char *text : typicalTriggers) {
        Expr e{};
        if (!ExprCompile(text, &e, p, nullptr, 0)) {
            state.SkipWithError(text);
            return;
        }
        exprs.push_back(e);
    }
    long evals = 0;
    for (auto _ : state) {
        for (const Expr &e : exprs) {
            int i = 0;
            float f = 0;
            benchmark::DoNotOptimize(ExprEvaluate(p, &e, &i, &f));
        }
        evals += (long)exprs.size();
    }
    for (Expr &e : exprs)
        ExprFree(&e);
    state.counters["ns_per_trigger"] =
        benchmark::Counter((double)evals * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A controller of four trigger lines that all hold, so that every line is
// evaluated: two triggerall lines and two of trigger1.
void BM_ControllerCheck4Lines(benchmark::State &state)
{
    World &w = TheWorld();
    w.MatchBegin();
    Player *p = PlayerSlotGet(1);
    DefFileWrite("ctrl.cns", "[State 0, four]\ntype = Null\ntriggerall = alive\ntriggerall = power >= 0\n"
                             "trigger1 = statetype != L\ntrigger1 = Time >= 0\n");
    TxtParseFile *f = TxtParseOpen("ctrl.cns");
    Array *a = ArrayCreate(1, sizeof(SCtrl), nullptr);
    if (!f || TxtParseGroupSet(f, "State 0, four") < 0 || !SCtrlParse(f, a, 0, p)) {
        state.SkipWithError(gv->errorText);
        TxtParseClose(f);
        ArrayFree(a);
        return;
    }
    TxtParseClose(f);
    SCtrl *c = (SCtrl *)ArrayFirst(a);
    long checks = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TrigArrayTest(p, c));
        checks++;
    }
    SCtrlFree(c);
    ArrayFree(a);
    state.counters["ns_per_check"] =
        benchmark::Counter((double)checks * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Every controller of the character's state -1 checked in turn, as a tick
// does when no command is active.
void BM_ControllerCheckStateMinus1(benchmark::State &state)
{
    World &w = TheWorld();
    w.MatchBegin();
    Player *p = PlayerSlotGet(1);
    StateDef *sd = StateDefListFind(p->state.ownList, -1);
    if (!sd) {
        state.SkipWithError("no state -1");
        return;
    }
    int n = sd->ctrls->used;
    long checks = 0;
    for (auto _ : state) {
        for (int i = 0; i < n; i++)
            benchmark::DoNotOptimize(TrigArrayTest(p, (SCtrl *)ArrayAtRaw(sd->ctrls, i)));
        checks += n;
    }
    state.counters["ns_per_check"] =
        benchmark::Counter((double)checks * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_LoadCharDir)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadCharZip)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadSprites)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MatchNoDrawing)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_MatchDrawingEveryFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_MatchSpeedTest)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_TriggerEval);
BENCHMARK(BM_ControllerCheck4Lines);
BENCHMARK(BM_ControllerCheckStateMinus1);
