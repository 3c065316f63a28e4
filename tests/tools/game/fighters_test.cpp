// The sample game's two fighters: they load whole, their specials land tick by tick under a key script, and two computer players finish a match.
#include "game/fighters.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "game/lessons.h"
#include "game/sample.h"
#include "kit/enginekit.h"
#include "samplefiles.h"
#include "samplematch.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/disp.h"
#include "lib/grandom.h"
#include "lib/input-lb.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/snd-lib.h"
#include "lib/spr-lib.h"
#include "lib/textbuf.h"
#include "lib/timer.h"
#include "lib/vbuf.h"
#include "support/charkit.h"
#include "support/keykit.h"
#include "support/pixkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/config.h"
#include "velok/core/ctrlinit.h"
#include "velok/core/gamevars.h"
#include "velok/core/pal.h"
#include "velok/core/team.h"
#include "velok/match/fight.h"
#include "velok/match/gameloop.h"
#include "velok/match/match.h"
#include "velok/match/round.h"
#include "velok/player/chardef.h"
#include "velok/player/explod.h"
#include "velok/player/helper.h"
#include "velok/player/p-ai.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/player.h"
#include "velok/player/proj.h"
#include "velok/script/statedef.h"

namespace {

const char *const kNames[2] = {"brask", "lira"};

std::string Lower(std::string t)
{
    for (char &ch : t)
        ch = (char)tolower((unsigned char)ch);
    return t;
}

std::string Trim(const std::string &t)
{
    size_t a = t.find_first_not_of(" \t\r"), b = t.find_last_not_of(" \t\r");
    return a == std::string::npos ? "" : t.substr(a, b - a + 1);
}

// The groups of a state file: each one's keys (lower case) and values.
std::vector<std::map<std::string, std::string>> Groups(const std::string &text)
{
    std::vector<std::map<std::string, std::string>> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line.substr(0, line.find(';')));
        if (line.empty())
            continue;
        if (line[0] == '[') {
            out.push_back({{"[", Lower(line)}});
            continue;
        }
        size_t eq = line.find('=');
        if (eq != std::string::npos && !out.empty())
            out.back()[Lower(Trim(line.substr(0, eq)))] = Trim(line.substr(eq + 1));
    }
    return out;
}

// "12" is a number; "5000 + x" is not.
bool Literal(const std::string &v, int *n)
{
    char *end = nullptr;
    long x = strtol(v.c_str(), &end, 10);
    if (end == v.c_str() || Trim(end) != "")
        return false;
    *n = (int)x;
    return true;
}

// A match of the sample game's fighters on its stage under its fight screen,
// set up as the game sets up a quick versus match, with a fake frame timer,
// a fake keyboard and a 320x240 memory target.
class FighterMatch : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        TestAllegroStart();
        std::string error;
        ASSERT_EQ(SampleTreeWrite(".", &error), 1) << error;
        if (taught) {
            ASSERT_EQ(FighterLessonsRun(".", &error), 1) << error;
        }
        ASSERT_NO_FATAL_FAILURE(SampleMatchRecordMake(400, 64));
        canvas = PixCanvas(0);
        PixVbufTargetSet(canvas, &rows);
        ASSERT_EQ(FightDefLoad("data/fight.def"), 1) << gv->errorText;
        entries.resize(2);
        for (int i = 0; i < 2; i++)
            CharKitEntrySet(&entries[i], std::string("chars/") + kNames[i] + "/", std::string(kNames[i]) + ".def");
        gv->charList = entries.data();
        gv->charCount = 2;
        StrCopy(gv->stageFile, sizeof gv->stageFile, "stages/ridge.def");
        ASSERT_EQ(StageLoad(), 1) << gv->errorText;
        gv->sysKeyQueue = (IntQueue *)LibCalloc(1, sizeof(IntQueue));
        IntQueueCreate(gv->sysKeyQueue, 32);
        // The keys of the configuration, remapped to the players' own as start-up does.
        KeyKitStart();
        InitKeysDefault();
        ASSERT_EQ(InitKeysRemap(), 1);
        gv->playerInput = 1;
    }
    void TearDown() override
    {
        if (gv->gameLoopMode)
            GameLoopLeave();
        KeyKitStop();
        SampleMatchFree();
        IntQueueFree(gv->sysKeyQueue);
        MemFree(gv->sysKeyQueue);
        vbufTarget = VbufTarget{};
        disp = DispState{};
        destroy_bitmap(canvas);
        SampleMatchRecordFree();
        TempDirTest::TearDown();
    }
    // Side 1 plays the first fighter named, side 2 the second.
    void Match(int first, int second, int rounds = 2)
    {
        int chars[2] = {first, second};
        for (int side = 1; side <= 2; side++) {
            TeamSetup(&gv->teams[side - 1], side, 0, 1);
            TeamMember *m = TeamMemberAt(&gv->teams[side - 1], 0);
            m->charIndex = chars[side - 1];
            m->palNo = side - 1;
        }
        gv->fightRound.matchWins = rounds;
        ASSERT_EQ(MatchTeamsSetup(0), 1) << gv->errorText;
        GameLoopEnter(GAMELOOP_MATCH);
    }
    int Frame()
    {
        for (int i = 0; i < 3; i++)
            TimerTick();
        return GameLoopFrame();
    }
    // Frames until both fighters stand in the fight with control.
    void ToTheFight()
    {
        for (int i = 0; i < 600; i++) {
            if (gv->round.state == 2 && P(1)->state.ctrl && P(2)->state.ctrl && P(1)->state.stateNo == 0 &&
                P(2)->state.stateNo == 0)
                return;
            ASSERT_EQ(Frame(), 1) << "frame " << i;
        }
        FAIL() << "no fight after 600 frames: round state " << gv->round.state;
    }
    std::string Warnings()
    {
        std::string all;
        for (int i = 0; i < gv->warnLog->count; i++)
            if (gv->warnLog->lines[i][0])
                all += std::string(gv->warnLog->lines[i]) + "\n";
        return all;
    }
    Player *P(int slot) { return PlayerSlotGet(slot); }
    // Hit sparks of the fight effects live in the players' explod list.
    int Sparks()
    {
        int n = 0;
        for (int i = 0; i < gv->explods->capacity; i++) {
            const Explod &e = gv->explods->records[i];
            if (e.inUse && e.owner == 0 && e.spr == gv->fightFxSpr && e.anim && AnimObjActionNo(e.anim) < 40)
                n++;
        }
        return n;
    }

    BITMAP *canvas = nullptr;
    std::vector<int> rows;
    std::vector<CharInfo> entries;
    bool taught = false;  // the fighters went through their lessons: they have AI files
};

class TaughtMatch : public FighterMatch {
protected:
    void SetUp() override
    {
        taught = true;
        FighterMatch::SetUp();
    }
};

TEST_F(FighterMatch, BothFightersLoadWhole)
{
    Match(0, 1);
    for (int slot = 1; slot <= 2; slot++) {
        Player *p = P(slot);
        ASSERT_NE(p, nullptr);
        CharData *cd = p->charData;
        EXPECT_STREQ(cd->name, slot == 1 ? "Brask" : "Lira");
        // Every action shows sprites that exist, and every palette file loaded.
        for (int a = 0; a < cd->anims->count; a++) {
            AnimAction *act = AnimSetActionAt(cd->anims, a);
            for (int e = 0; e < act->count; e++) {
                AnimElem *el = (AnimElem *)ArrayAt(act->elems, e);
                EXPECT_GE(SprSetFindImage(cd->spr, el->group, el->image), 0)
                    << cd->name << " action " << AnimSetActionNoAt(cd->anims, a) << " shows " << el->group << ","
                    << el->image;
            }
        }
        std::set<std::string> palettes;
        for (int n = 0; n < 12; n++) {
            int slotPal = SprSetFindPal(cd->spr, 1, n);
            ASSERT_GE(slotPal, 0) << cd->name << " palette " << n + 1;
            const unsigned char *rgba = PalDataGet(SprSetPalAt(cd->spr, slotPal));
            palettes.insert(std::string((const char *)rgba, 256 * 4));
        }
        EXPECT_EQ(palettes.size(), 12u) << cd->name << ": twelve different palettes";
        // The portraits the motif expects.
        SprImage *small = SprSetImageGet(cd->spr, 9000, 0);
        SprImage *big = SprSetImageGet(cd->spr, 9000, 1);
        ASSERT_NE(small, nullptr);
        ASSERT_NE(big, nullptr);
        EXPECT_EQ(small->width, 24);
        EXPECT_EQ(small->height, 24);
        EXPECT_EQ(big->width, 96);
        EXPECT_EQ(big->height, 120);
        // The states the engine enters by itself come from the common file.
        for (int st : {0, 10, 11, 12, 20, 40, 45, 50, 51, 52, 100, 105, 120, 130, 131, 132, 140, 150, 151, 152, 153,
                       154, 155, 170, 175, 180, 190, 5000, 5010, 5020, 5030, 5050, 5070, 5080, 5100, 5110, 5120,
                       5150, 5200, 5210, 5500, 5900})
            EXPECT_NE(StateDefListFind(p->state.ownList, st), nullptr) << cd->name << " state " << st;
    }
    // Nothing missing among the required sprites and actions, nothing else.
    EXPECT_EQ(Warnings(), "");
    EXPECT_EQ(std::string(gv->errorText), "");
}

// Every action, sound and spark that the state files name by number exists:
// the fighter's own actions and sounds, the fight screen's sparks and sounds.
TEST_F(FighterMatch, EveryActionSoundAndSparkNamedExists)
{
    SndSet *common = SndSetLoad("data/common.snd");
    ASSERT_NE(common, nullptr);
    for (int c = 0; c < 2; c++) {
        std::string dir = std::string("chars/") + kNames[c] + "/";
        AnimSet *anims = AnimLoadFile((dir + kNames[c] + ".air").c_str());
        SndSet *own = SndSetLoad((dir + kNames[c] + ".snd").c_str());
        ASSERT_NE(anims, nullptr) << LibErrorMsg;
        ASSERT_NE(own, nullptr);
        int checked = 0;
        for (const std::string &file : {dir + kNames[c] + ".cns", dir + kNames[c] + ".cmd",
                                       std::string("data/") + kFighterCommonFile}) {
            for (auto &g : Groups(ReadFileText(file))) {
                std::string what = std::string(kNames[c]) + " " + file + " " + g["["];
                std::string type = Lower(g["type"]);
                int n;
                for (const char *key : {"anim", "projanim", "projhitanim", "projremanim"})
                    if (g.count(key) && (g["["].find("statedef") != std::string::npos || type == "projectile") &&
                        Literal(g[key], &n)) {
                        EXPECT_GE(AnimSetFindAction(anims, 0, n), 0) << what << ": action " << n;
                        checked++;
                    }
                if ((type == "changeanim" || type == "changeanim2") && Literal(g["value"], &n)) {
                    EXPECT_GE(AnimSetFindAction(anims, 0, n), 0) << what << ": action " << n;
                    checked++;
                }
                for (const char *key : {"sparkno", "guard.sparkno"})
                    if (g.count(key) && Literal(g[key], &n)) {
                        EXPECT_GE(AnimSetFindAction(gv->fightFxAnims, 0, n), 0) << what << ": spark " << n;
                        checked++;
                    }
                std::vector<std::string> sounds;
                if (type == "playsnd")
                    sounds.push_back(g["value"]);
                for (const char *key : {"hitsound", "guardsound"})
                    if (g.count(key))
                        sounds.push_back(g[key]);
                for (std::string v : sounds) {
                    bool fromCommon = !v.empty() && (v[0] == 'F' || v[0] == 'f');
                    if (!v.empty() && (v[0] == 'F' || v[0] == 'f' || v[0] == 'S' || v[0] == 's'))
                        v = v.substr(1);
                    int group = -1, number = -1;
                    ASSERT_EQ(sscanf(v.c_str(), "%d , %d", &group, &number), 2) << what << ": " << v;
                    EXPECT_NE(SndSetFind(fromCommon ? common : own, group, number), nullptr)
                        << what << ": sound " << (fromCommon ? "F" : "") << group << "," << number;
                    checked++;
                }
            }
        }
        EXPECT_GT(checked, 80) << kNames[c];
        SndSetFree(own);
        AnimSetFree(anims);
    }
    SndSetFree(common);
    EXPECT_EQ(std::string(gv->errorText), "");
}

// A key script takes player 1 through a special move; player 2 stands still.
// The blow lands: life drops, a hit spark appears, and player 2's get-hit
// state gives control back in the very tick its hit time runs out.
TEST_F(FighterMatch, ASpecialLandsAndTheHitEndsOnTime)
{
    struct Case {
        int first, second;
        int forward;  // the key of the motion's last direction
        int button;
        int state;
        bool helper;
        bool launches;  // the victim falls and gets up instead of sliding back
    } cases[] = {
        {0, 1, KEY_D, KEY_U, 1000, false, false},  // Brask's Quake Wave: down, down-forward, forward, x
        {1, 0, KEY_D, KEY_U, 1000, false, false},  // Lira's Gale Crescent
        {0, 1, KEY_A, KEY_J, 1100, true, true},    // Brask's Stone Fist: down, down-back, back, a
        {1, 0, KEY_A, KEY_J, 1100, true, false},   // Lira's Hawk Call
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(kNames[c.first]) + " state " + std::to_string(c.state));
        TearDown();
        SetUp();
        Match(c.first, c.second);
        ToTheFight();
        Player *p1 = P(1), *p2 = P(2);
        ASSERT_LT(p1->posX, p2->posX);
        int life = p2->life;

        const int script[][2] = {{KEY_S, 1}, {c.forward, 1}, {KEY_S, 0}, {c.button, 1}, {c.button, 0},
                                 {c.forward, 0}};
        bool started = false;
        for (const auto &k : script) {
            if (k[1])
                KeyKitPress(k[0]);
            else
                KeyKitRelease(k[0]);
            ASSERT_EQ(Frame(), 1);
            started = started || p1->state.stateNo == c.state;
        }
        for (int i = 0; i < 4 && !started; i++) {
            ASSERT_EQ(Frame(), 1);
            started = p1->state.stateNo == c.state;
        }
        ASSERT_TRUE(started) << "player 1 is in state " << p1->state.stateNo;

        // The blow: a projectile or a helper of player 1 puts player 2 in 5000.
        bool launched = false, hit = false;
        for (int i = 0; i < 200 && !hit; i++) {
            ASSERT_EQ(Frame(), 1);
            launched = launched || (c.helper ? HelperFind(p1, 1150) != nullptr : ProjListCountActive(p1->projList) > 0);
            hit = p2->state.stateNo == 5000;
        }
        EXPECT_TRUE(launched);
        ASSERT_TRUE(hit) << "player 2 in state " << p2->state.stateNo;
        EXPECT_EQ(p2->state.moveType, MOVETYPE_H);
        EXPECT_EQ(p2->state.ctrl, 0);
        EXPECT_GT(Sparks(), 0);
        ASSERT_EQ(Frame(), 1);  // damage is taken at the next state run
        PixSavePcx(canvas, std::string("sample-") + kNames[c.first] + "-" + std::to_string(c.state));
        EXPECT_LT(p2->life, life);

        // Shake, then slide; the tick that starts with the hit time run out
        // ends in the stance with control, and no tick before it does. A
        // launched fighter falls, lies and gets up instead.
        std::set<int> states;
        for (int i = 0; i < 400 && p2->state.stateNo != 0; i++) {
            int before = p2->state.stateNo;
            bool over = p2->getHit.hitTime < 0;
            ASSERT_EQ(Frame(), 1);
            states.insert(before);
            if (before != 5001)
                continue;
            if (over) {
                EXPECT_EQ(p2->state.stateNo, 0) << "the hit was over";
                EXPECT_EQ(p2->state.ctrl, 1);
            } else {
                EXPECT_EQ(p2->state.stateNo, 5001) << "the hit was not over";
                EXPECT_EQ(p2->state.ctrl, 0);
            }
        }
        ASSERT_EQ(p2->state.stateNo, 0);
        EXPECT_EQ(p2->state.ctrl, 1);
        EXPECT_EQ(p2->state.moveType, MOVETYPE_I);
        std::set<int> path = c.launches ? std::set<int>{5000, 5030, 5050, 5100, 5110, 5120} : std::set<int>{5000, 5001};
        for (int st : path)
            EXPECT_TRUE(states.count(st)) << "never in state " << st;
        EXPECT_EQ(Warnings(), "");
    }
}

// A round's end puts each fighter in its pose: the winner of a KO in a win
// pose while the loser lies knocked out (also when the knock-out came
// without a hit, which enters 5030 without its header), both dazed or
// shrugging after a time over.
TEST_F(FighterMatch, RoundsEndInTheirPoses)
{
    struct Case {
        const char *what;
        int lifeP1, lifeP2;  // -1 untouched; 0 knocks out without a hit
        bool timeOver;
        int endP1, endP2;    // states once the win poses have begun
    } cases[] = {
        {"KO without a hit", -1, 0, false, 180, 5150},
        {"time over, player 1 ahead", -1, 500, true, 180, 170},
        {"time over, a draw", -1, -1, true, 175, 175},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        Match(0, 1, 1);
        std::set<int> seen[3];
        for (int i = 0; i < 600 && !(gv->round.state == 2 && P(1)->state.ctrl); i++) {
            ASSERT_EQ(Frame(), 1);
            for (int k = 1; k <= 2; k++)
                seen[k].insert(P(k)->state.stateNo);
        }
        for (int k = 1; k <= 2; k++)
            EXPECT_TRUE(seen[k].count(190)) << "player " << k << " skipped the intro";
        if (c.lifeP2 >= 0)
            PlayerLifeSet(P(2), c.lifeP2);
        if (c.timeOver)
            gv->round.timeLeft = 2;
        for (int i = 0; i < 2000 && !(gv->round.state == 4 && gv->round.tick > gv->overWinTime); i++) {
            ASSERT_EQ(Frame(), 1);
            for (int k = 1; k <= 2; k++)
                seen[k].insert(P(k)->state.stateNo);
        }
        ASSERT_EQ(gv->round.state, 4);
        EXPECT_EQ(P(1)->state.stateNo, c.endP1);
        EXPECT_EQ(P(2)->state.stateNo, c.endP2);
        if (c.lifeP2 == 0) {
            for (int st : {5030, 5050, 5100, 5150})
                EXPECT_TRUE(seen[2].count(st)) << "never in state " << st;
            EXPECT_EQ(P(2)->state.stateType, STATETYPE_L);
        }
        EXPECT_EQ(Warnings(), "");
    }
}

// Two computer players, with what their lessons taught them, fight a
// one-round match to its end: every state they go through exists, nothing is
// warned about, they use their specials, and one side wins.
TEST_F(TaughtMatch, ComputerPlayersFinishAMatch)
{
    for (const char *name : kNames) {
        AIInfo info{};
        ASSERT_EQ(AIInfoInit(&info), 1);
        std::string path = std::string("chars/") + name + "/" + name + ".ai";
        ASSERT_EQ(AIInfoLoad(path.c_str(), &info), 1) << path << ": " << gv->errorText;
        // Every move of the command file was learned: the specials too.
        for (int st : {200, 210, 230, 240, 400, 430, 1000, 1100})
            EXPECT_GE(ArrayFind(info.ground, st, 0), 0) << name << " state " << st;
        for (int st : {600, 630})
            EXPECT_GE(ArrayFind(info.air, st, 0), 0) << name << " state " << st;
        AIInfoFree(&info);
    }
    EXPECT_EQ(gv->cfg.arcade.aiCheat, 1) << "the computer players start commands of their own";

    GameRandomSeed(31);
    gv->cmdAi[0] = gv->cmdAi[1] = 1;
    Match(0, 1, 1);
    gv->speedTest = 1;
    int frames = 0, specials = 0, last[3] = {0, 0, 0};
    while (!gv->round.matchOver && frames < 12000) {
        if (Frame() != 1)
            break;
        frames++;
        for (int k = 1; k <= 2; k++) {
            int st = P(k)->state.stateNo;
            specials += st != last[k] && (st == 1000 || st == 1100);
            last[k] = st;
        }
    }
    EXPECT_TRUE(gv->round.matchOver) << "after " << frames << " frames, round state " << gv->round.state;
    EXPECT_NE(MatchWinnerGet(), 0);
    EXPECT_GT(specials, 0);
    EXPECT_EQ(Warnings(), "");
}

} // namespace
