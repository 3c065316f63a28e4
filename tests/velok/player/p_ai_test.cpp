#include "velok/player/p-ai.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "kit/sprkit.h"
#include "lib/array.h"
#include "lib/grandom.h"
#include "lib/textbuf.h"
#include "support/aikit.h"
#include "support/movekit.h"
#include "support/roundkit.h"
#include "velok/core/common.h"
#include "velok/match/gameloop.h"
#include "velok/player/chardef.h"
#include "velok/player/keybuf.h"
#include "velok/player/p-make.h"
#include "velok/player/p-update.h"
#include "velok/player/proj.h"
#include "velok/script/stparam.h"

namespace {

// Command labels of the kit's command file ("recovery" takes 0 and uses up 3).
enum { LABEL_FF = 1, LABEL_A = 2, LABEL_QCFX = 4, LABEL_CHARGE = 5, LABEL_LONG = 6, LABEL_HOLD = 7 };

std::string AiKitCmd()
{
    return "[Command]\nname = \"FF\"\ncommand = F, F\ntime = 10\n"
           "[Command]\nname = \"a\"\ncommand = a\n"
           "[Command]\nname = \"recovery\"\ncommand = x+y\n"
           "[Command]\nname = \"qcfx\"\ncommand = D, DF, F, x\n"
           "[Command]\nname = \"charge\"\ncommand = ~30$B, F, a\n"
           "[Command]\nname = \"long\"\ncommand = ~240a\n"
           "[Command]\nname = \"hold\"\ncommand = /b\n"
           "[Statedef -1]\n"
           "[State -1, punch]\ntype = ChangeState\ntrigger1 = command = \"a\"\ntrigger1 = ctrl\nvalue = 200\n"
           "[State -1, fire]\ntype = ChangeState\ntrigger1 = command = \"FF\"\ntrigger1 = ctrl\nvalue = 210\n";
}

std::string AiKitStates()
{
    return "[Statedef 200]\ntype = S\nmovetype = A\nphysics = S\nctrl = 0\nanim = 200\n"
           "[State 200, hit]\ntype = HitDef\ntrigger1 = Time = 0\nattr = S, NA\ndamage = 10\nguardflag = MA\n"
           "[State 200, end]\ntype = ChangeState\ntrigger1 = AnimTime = 0\nvalue = 0\nctrl = 1\n"
           "[Statedef 210]\ntype = S\nmovetype = A\nphysics = S\nctrl = 0\nanim = 0\n"
           "[State 210, fire]\ntype = Projectile\ntrigger1 = Time = 1\nprojid = 77\nvelocity = 4, 0\nattr = S, SP\n"
           "[State 210, end]\ntype = ChangeState\ntrigger1 = Time = 6\nvalue = 0\nctrl = 1\n";
}

std::string AiKitAir()
{
    std::string body = "Clsn2: 1\n Clsn2[0] = -10,-80,10,0\n";
    return "[Begin Action 0]\n" + body + "0,0, 0,0, -1\n\n" +
           AirAction(5, {"0,0, 0,0, 2"}) + AirAction(6, {"0,0, 0,0, 2"}) +
           "[Begin Action 200]\n" + body + "0,0, 0,0, 2\n" + body +
           "Clsn1: 1\n Clsn1[0] = 15,-60,45,-40\n0,0, 0,0, 3\n" + body + "0,0, 0,0, 2\n\n";
}

// The kit character with an AI file named, a punch on "a", drawn boxes and
// the common states of built-in movement.
CharKit AiKitChar(const std::string &aiName = "kit.ai")
{
    CharKit kit;
    kit.def = CharKitDefText(kit.name, "ai = " + aiName + "\nstcommon = common.cns\n");
    kit.common = MoveKitCommonText();
    kit.cmd = AiKitCmd();
    std::string cns = CharKitConstantsText();
    cns.replace(cns.find("xscale = 2"), 10, "xscale = 1");
    kit.cns = cns + CharKitStatesText() + AiKitStates();
    kit.air = AiKitAir();
    return kit;
}

class AIField : public RoundField {
protected:
    void SetUp() override
    {
        RoundField::SetUp();
        Build(AiKitChar());
    }
    // The fight in progress with players 1 and 2 in control.
    void Build(const CharKit &kit)
    {
        Field(4, kit);
        PlayerEnableSet(3, 0);
        PlayerEnableSet(4, 0);
        GameLoopEnter(GAMELOOP_MATCH);
        StateAt(2, 10);
        GameRandomSeed(1);
    }
    // The events waiting in the key buffer, oldest first; the buffer is left empty.
    static std::vector<int> Keys(Player *p)
    {
        std::vector<int> out;
        for (int k; (k = KeyBufPop(&p->keyBuf)) != 0;)
            out.push_back(k);
        return out;
    }
    static std::vector<int> Pending(const Player *p)
    {
        std::vector<int> out;
        for (int i = 0; i < p->ai.pendingCount; i++)
            out.push_back(p->ai.pending[(p->ai.pendingRead + i) % AI_PENDING_MAX]);
        return out;
    }
    static void Hold(Player *p, std::initializer_list<int> buttons)
    {
        for (int b : buttons)
            KeyBufPush(&p->keyBuf, b);
        Keys(p);
    }
    static const AISample *Learned(const AIInfo *info, int key)
    {
        return info ? (const AISample *)ArrayFindElem(info->ground, key, 0) : nullptr;
    }
    static float F(const AISample *s, int w) { return AISampleFloat(s, w); }
};

const int R = KEYBUF_RELEASE;

} // namespace

TEST_F(AIField, AMoveStartedByACommandIsLearnedKeptAndWrittenToTheAIFile)
{
    ASSERT_NE(cd->ai, nullptr) << "a named AI file that is not there yet gets empty learned data";
    EXPECT_STREQ(cd->aiFile, "kit.ai");
    Player *p = P(1);
    ASSERT_TRUE(p->ai.learning);
    KeyBufPush(&p->keyBuf, KEYBUF_A);
    int started = -1;
    for (int t = 0; t < 20; t++) {
        Frame();
        if (started < 0 && p->state.stateNo == 200)
            started = t;
    }
    ASSERT_EQ(started, 1) << "the press is recorded in the second tick";
    ASSERT_EQ(p->state.stateNo, 0);
    EXPECT_FALSE(p->ai.learn.open);

    const AISample *s = Learned(p->ai.info, 200);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w[AIS_STATETYPE], STATETYPE_S);
    EXPECT_EQ(s->w[AIS_CMDS], LABEL_A);
    EXPECT_EQ(s->w[AIS_CMDS + 1], -1);
    EXPECT_EQ(s->w[AIS_CONTEXT_COUNT], 1);
    EXPECT_EQ(s->w[AIS_CONTEXT], 0);
    EXPECT_EQ(s->w[AIS_CONTEXT + 1], STATETYPE_S);
    EXPECT_EQ(s->w[AIS_CONTEXT + 2], MOVETYPE_I);
    EXPECT_EQ(s->w[AIS_CONTEXT + 3], 1);
    EXPECT_EQ(s->w[AIS_HIT_ATTR], HITATTR_S | HITATTR_NA);
    EXPECT_EQ(s->w[AIS_HIT_GUARDFLAG], HITFLAG_DEFAULT | HITFLAG_H | HITFLAG_L | HITFLAG_A);
    EXPECT_EQ(s->w[AIS_HITS], 1);
    // The attack box is the punch's Clsn1; the body box the union of the Clsn2s.
    EXPECT_FLOAT_EQ(F(s, AIS_ATTACK_BOX), 15.0f);
    EXPECT_FLOAT_EQ(F(s, AIS_ATTACK_BOX + 4), -60.0f);
    EXPECT_FLOAT_EQ(F(s, AIS_ATTACK_BOX + 8), 45.0f);
    EXPECT_FLOAT_EQ(F(s, AIS_ATTACK_BOX + 12), -40.0f);
    EXPECT_FLOAT_EQ(F(s, AIS_BODY_BOX), -10.0f);
    EXPECT_FLOAT_EQ(F(s, AIS_BODY_BOX + 8), 10.0f);
    // First active frame, the active frames before contact, control and end.
    EXPECT_EQ(s->w[AIS_FIRST_SEEN], 1);
    // Element 1 shows for two ticks, the punch's element for three, element 3 for two.
    float first = F(s, AIS_FIRST);
    EXPECT_FLOAT_EQ(first, 2.0f);
    EXPECT_EQ(s->w[AIS_ACTIVE_SEEN], 1);
    EXPECT_EQ(s->w[AIS_FIRST + 1], (int)first);
    EXPECT_FLOAT_EQ(F(s, AIS_ACTIVE), first + 1.0f) << "three active frames around the middle one";
    EXPECT_EQ(s->w[AIS_ACTIVE + 2], (int)first + 2);
    EXPECT_EQ(s->w[AIS_END_SEEN], 1);
    EXPECT_EQ(s->w[AIS_CONTROL_SEEN], 1);
    EXPECT_FLOAT_EQ(F(s, AIS_END), F(s, AIS_CONTROL));
    EXPECT_FLOAT_EQ(F(s, AIS_END), 7.0f);
    EXPECT_FLOAT_EQ(F(s, AIS_FIRST + 4), 0.0f) << "no distance travelled";
    // Standing in 0 taught the basic-state box.
    EXPECT_FLOAT_EQ(AISampleFloat((const AISample *)p->ai.info->basic[0], 0), -10.0f);
    EXPECT_FLOAT_EQ(AISampleFloat((const AISample *)p->ai.info->basic[0], 4), -80.0f);
    AISample kept = *s;

    // The player's learning goes to its character when it is freed, and the
    // character's to its AI file when the cache lets it go.
    FieldFree();
    std::string bytes = ReadFileText("chars/kit/kit.ai");
    EXPECT_EQ(bytes.size(), 64u + 4 + 1204 + 4 + 256);
    AIInfo back{};
    ASSERT_EQ(AIInfoLoad("chars/kit/kit.ai", &back), 1) << gv->errorText;
    const AISample *b = Learned(&back, 200);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->w[AIS_CMDS], LABEL_A);
    EXPECT_FLOAT_EQ(F(b, AIS_FIRST), F(&kept, AIS_FIRST));
    EXPECT_FLOAT_EQ(F(b, AIS_END), F(&kept, AIS_END));
    AIInfoFree(&back);

    // The next load reads it, and new players start from it.
    Build(AiKitChar());
    ASSERT_NE(Learned(cd->ai, 200), nullptr);
    ASSERT_NE(Learned(P(2)->ai.info, 200), nullptr);
}

TEST_F(AIField, AMoveThatLaunchesAProjectileIsLearnedWhileItFlies)
{
    Player *p = P(1);
    Frame();  // a command's first key must come after the label's last activation tick, 0
    for (int k : std::vector<int>{KEYBUF_FWD, KEYBUF_FWD | R, KEYBUF_FWD}) {
        KeyBufPush(&p->keyBuf, k);
        Frame();
    }
    KeyBufPush(&p->keyBuf, KEYBUF_FWD | R);
    int launched = 0;
    for (int t = 0; t < 20; t++) {
        Frame();
        launched = std::max(launched, ProjListCountId(p->projList, 77));
    }
    ASSERT_EQ(launched, 1);
    ASSERT_EQ(p->state.stateNo, 0);
    const AISample *s = Learned(p->ai.info, 210);
    ASSERT_NE(s, nullptr) << "kept for its projectile though the player never attacked itself";
    EXPECT_EQ(s->w[AIS_CMDS], LABEL_FF);
    EXPECT_EQ(s->w[AIS_PROJECTILES], 1);
    EXPECT_EQ(s->w[AIS_FIRST_SEEN], 1);
    EXPECT_FLOAT_EQ(F(s, AIS_FIRST), 1.0f) << "flying from the launch";
    EXPECT_EQ(s->w[AIS_HIT_ATTR], HITATTR_S | HITATTR_SP);
    EXPECT_EQ(s->w[AIS_HITS], 0);

    // An AI player in its guard distance counts the projectile as an attack.
    P(2)->aiControlled = 1;
    p->state.moveType = MOVETYPE_I;
    p->guardDist = 1000;
    ASSERT_EQ(ProjListCountActive(p->projList), 1);
    AIPlayerUpdate(P(2));
    EXPECT_EQ(P(2)->ai.inGuard, 1);
    EXPECT_EQ(P(2)->ai.attacker, p);
}

TEST_F(AIField, AIFilesThatCannotBeTrustedOrWrittenAreLeftAlone)
{
    FieldFree();
    AiFileSpec bad;
    bad.version = 255;
    std::string badBytes = AiFileBytes(bad);
    WriteFileText("chars/kit/kit.ai", badBytes);
    gv->errorText[0] = 0;
    ClearWarnings();
    CharData *c = PlayerDefLoadAny("chars/kit", "kit.def");
    ASSERT_NE(c, nullptr) << "an invalid AI file fails nothing";
    EXPECT_NE(Warnings().find("Ignoring invalid AI file: kit.ai"), std::string::npos) << Warnings();
    EXPECT_EQ(c->ai, nullptr);
    EXPECT_STREQ(c->aiFile, "kit.ai") << "the name is kept";
    EXPECT_STREQ(gv->errorText, "");
    CharDataFree(c);
    Build(AiKitChar());
    FieldFree();
    EXPECT_TRUE(ReadFileText("chars/kit/kit.ai") == badBytes) << "an invalid file is not overwritten";

    // A name leading out of the character's directory is never written.
    Build(AiKitChar("../outside.ai"));
    ASSERT_NE(cd->ai, nullptr);
    ClearWarnings();
    FieldFree();
    EXPECT_NE(Warnings().find("Cannot save AI info for kit.def"), std::string::npos) << Warnings();
    EXPECT_FALSE(FileExists("chars/outside.ai"));

    // Nothing is written while saving is off.
    remove("chars/kit/kit.ai");
    Build(AiKitChar());
    gv->aiSave = 0;
    FieldFree();
    EXPECT_FALSE(FileExists("chars/kit/kit.ai"));
}

TEST_F(AIField, EventsReachTheOtherAIPlayersUpToTenEach)
{
    P(2)->aiControlled = 1;
    P(3)->aiControlled = 1;  // disabled: gets nothing
    for (int i = 0; i < 12; i++)
        AIEventPost(P(1), AI_EVENT_START, 200 + i, nullptr);
    EXPECT_EQ(P(2)->ai.eventCount, 10);
    EXPECT_EQ(P(2)->ai.events[9].value, 209);
    EXPECT_EQ(P(3)->ai.eventCount, 0);
    EXPECT_EQ(P(1)->ai.eventCount, 0) << "neither the sender nor a player without AI";
    AIEventPost(P(1), AI_EVENT_START, 300, nullptr);
    EXPECT_EQ(P(2)->ai.eventCount, 10) << "a full queue takes nothing until it is cleared";

    int i = AIEventFind(P(2), P(1), AI_EVENT_START);
    AIEvent e{};
    ASSERT_EQ(AIEventTake(P(2), i, &e), 1);
    EXPECT_EQ(e.value, 200);
    EXPECT_EQ(AIEventFind(P(2), P(1), AI_EVENT_START), 1) << "a taken event is handled";
    AIEventsClear(P(2));
    EXPECT_EQ(AIEventFind(P(2), P(1), AI_EVENT_START), -1);

    // A posted move sends its end once it is over.
    P(1)->state.stateNo = 200;
    P(1)->state.moveType = MOVETYPE_A;
    P(1)->state.ctrl = 0;
    AIEventBroadcast(P(1));
    ASSERT_EQ(P(2)->ai.eventCount, 1);
    EXPECT_EQ(P(2)->ai.events[0].samples, P(1)->ai.info->ground);
    AIHitEventPost(P(1));
    EXPECT_EQ(P(2)->ai.eventCount, 1) << "still attacking";
    P(1)->state.moveType = MOVETYPE_H;
    AIHitEventPost(P(1));
    AIHitEventPost(P(1));
    ASSERT_EQ(P(2)->ai.eventCount, 2);
    EXPECT_EQ(P(2)->ai.events[1].kind, AI_EVENT_END);
    EXPECT_EQ(P(2)->ai.events[1].value, -1);

    // A new round starts with no events and keeps the learned data and the dummy settings.
    P(2)->ai.dummy = 1;
    AIPendingPush(P(2), KEYBUF_A);
    PlayerRoundInit(P(2));
    EXPECT_EQ(P(2)->ai.eventCount, 0);
    EXPECT_EQ(P(2)->ai.pendingCount, 0);
    EXPECT_NE(P(2)->ai.info, nullptr);
    EXPECT_EQ(P(2)->ai.dummy, 1);
}

TEST_F(AIField, KeysAreLetGoOutsideTheFightAndContradictionsUndone)
{
    Player *p = P(2);
    p->aiControlled = 1;
    for (int state : {0, 1, 3, 4}) {
        SCOPED_TRACE(state);
        StateAt(state, 5);
        Hold(p, {KEYBUF_FWD, KEYBUF_A, KEYBUF_START, KEYBUF_EXTRA});
        AIPlayerUpdate(p);
        EXPECT_EQ(Keys(p), (std::vector<int>{KEYBUF_FWD | R, KEYBUF_A | R, KEYBUF_START | R, KEYBUF_EXTRA | R}));
        for (int b = 1; b <= KEYBUF_BUTTONS; b++)
            EXPECT_EQ(p->keyBuf.held[b], 0) << b;
    }

    StateAt(2, 10);
    for (int guarding : {0, 1}) {
        Hold(p, {KEYBUF_UP, KEYBUF_FWD, KEYBUF_DOWN, KEYBUF_BACK});
        p->guarding = guarding;
        AIPendingPush(p, KEYBUF_A);
        AIPlayerUpdate(p);
        EXPECT_EQ(Keys(p), (std::vector<int>{guarding ? KEYBUF_FWD | R : KEYBUF_BACK | R, KEYBUF_UP | R, KEYBUF_A}))
            << "a waiting key ends the tick";
        for (int b = 1; b <= KEYBUF_BUTTONS; b++)
            if (p->keyBuf.held[b])
                KeyBufPush(&p->keyBuf, b | R);
        Keys(p);
    }

    // One waiting key a tick, a zero waits a tick; the queue is bounded.
    for (int k : std::vector<int>{KEYBUF_A, 0, KEYBUF_A | R})
        AIPendingPush(p, k);
    std::vector<std::vector<int>> ticks;
    for (int t = 0; t < 3; t++) {
        AIPlayerUpdate(p);
        ticks.push_back(Keys(p));
    }
    EXPECT_EQ(ticks, (std::vector<std::vector<int>>{{KEYBUF_A}, {}, {KEYBUF_A | R}}));
    int pushed = 0;
    while (AIPendingPush(p, 0))
        pushed++;
    EXPECT_EQ(pushed, AI_PENDING_MAX);

    // Without an opponent the AI does nothing at all.
    p->ai.pendingCount = 0;
    Hold(p, {KEYBUF_FWD});
    p->opponent = nullptr;
    StateAt(0, 5);
    AIPlayerUpdate(p);
    EXPECT_TRUE(Keys(p).empty());
}

TEST_F(AIField, CommandsAreQueuedAsKeysThatMatchThem)
{
    Player *p = P(1);
    p->aiControlled = 1;
    struct Case {
        int label;
        std::vector<int> keys;
    } cases[] = {
        {LABEL_A, {KEYBUF_A, 0, KEYBUF_A | R}},
        {LABEL_FF, {KEYBUF_FWD, KEYBUF_FWD | R, KEYBUF_FWD}},
        {LABEL_QCFX, {KEYBUF_DOWN, KEYBUF_FWD, KEYBUF_DOWN | R, KEYBUF_A + 3, 0, (KEYBUF_A + 3) | R}},
        {LABEL_HOLD, {KEYBUF_A + 1, 0, (KEYBUF_A + 1) | R}},
        {LABEL_CHARGE, {}},
    };
    cases[4].keys.push_back(KEYBUF_BACK);
    cases[4].keys.insert(cases[4].keys.end(), 28, 0);
    for (int k : std::vector<int>{KEYBUF_BACK | R, KEYBUF_FWD, KEYBUF_A, 0, KEYBUF_A | R})
        cases[4].keys.push_back(k);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        for (int b = 1; b <= KEYBUF_BUTTONS; b++)
            p->keyBuf.held[b] = 0;
        CmdBufferClear(&p->cmdBuf);
        CmdActiveClear(&p->cmdFlags);
        CmdTimesClear(&p->cmdFlags);
        ASSERT_EQ(AICommandQueue(p, c.label), 1);
        EXPECT_EQ(Pending(p), c.keys);
        bool matched = false;
        for (int t = 0; t < 40; t++) {
            AIPlayerUpdate(p);
            PlayerInputUpdate(p);
            gv->gameTick++;
            matched = matched || CmdIsActive(&p->cmdFlags, c.label);
        }
        EXPECT_TRUE(matched) << "the keys perform the command";
    }
    EXPECT_EQ(AICommandQueue(p, LABEL_LONG), 0) << "240 ticks of holding do not fit the queue";
    EXPECT_EQ(p->ai.pendingCount, 0);
    EXPECT_EQ(AICommandQueue(p, 3), 0) << "no command has that label";
    EXPECT_EQ(AICommandQueue(p, -1), 0);
    EXPECT_EQ(AICommandQueue(p, 1000), 0);
}

TEST_F(AIField, MarkedCommandEntriesAreMatchedAtTheNextInputStep)
{
    Player *p = P(1);
    CmdUsedListAdd(p->ai.mark, 99);  // no such entry
    CmdUsedListAdd(p->ai.mark, 1);   // the command "a"
    PlayerInputUpdate(p);
    EXPECT_TRUE(CmdIsActive(&p->cmdFlags, LABEL_A));

    // A helper marks its root's entries.
    Player *h = PlayerNew(nullptr);
    ASSERT_NE(h, nullptr);
    h->root = p;
    h->cmdSet = p->cmdSet;
    AIPlayerPartnerMark(h);
    EXPECT_TRUE(CmdIsActive(&h->cmdFlags, LABEL_A));
    PlayerFree(h);

    // The AI's next decision spends the list.
    p->aiControlled = 1;
    AIPlayerUpdate(p);
    EXPECT_EQ(CmdUsedListCount(p->ai.mark), 0);
    for (int i = 0; i < 9; i++)
        CmdUsedListAdd(p->ai.mark, 1);
    EXPECT_EQ(CmdUsedListCount(p->ai.mark), AI_CMD_MAX);
}

namespace {

// GameRandom() % mod within lo..hi, draw by draw.
struct Draw {
    int mod, lo, hi;
};

// Seeds the game's generator so that its next draws fall as given.
void SeedFor(const std::vector<Draw> &draws)
{
    for (unsigned seed = 1; seed < 20000000; seed++) {
        GameRandomSeed(seed);
        bool ok = true;
        for (const Draw &d : draws) {
            int v = GameRandom() % d.mod;
            if (v < d.lo || v > d.hi) {
                ok = false;
                break;
            }
        }
        if (ok) {
            GameRandomSeed(seed);
            return;
        }
    }
    ADD_FAILURE() << "no seed gives these draws";
}

} // namespace

TEST_F(AIField, ReactionsPressButtonsMoveAndGuardByTheDraws)
{
    Player *p = P(2), *o = P(1);
    p->aiControlled = 1;
    gv->cfg.arcade.aiCheat = 1;
    // rb = 7, kept; the 58 percent pass; neither walking in nor a random move.
    std::vector<Draw> button = {{6, 2, 2}, {6, 3, 5}, {8, 1, 7}, {100, 0, 57}, {1000, 62, 999}, {1000, 62, 999}};
    auto with = [](std::vector<Draw> a, std::vector<Draw> b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    struct Case {
        const char *what;
        bool attacker;
        std::vector<Draw> draws;
        std::vector<int> keys, pending;
        int marked;  // the command-table entry the cheat marks, -1 none
    } cases[] = {
        // Chance (4 + 6) x 150 / 14 = 107 in 1000 at 120 pixels; D 750 missed;
        // the cheat (670 in 1000) marks entry 4.
        {"button through the queue", false, with(button, {{1000, 0, 106}, {1000, 750, 999}, {1000, 0, 669}, {7, 4, 4}}),
         {}, {7, 0, 7 | R}, 4},
        {"no button", false,
         {{6, 2, 2}, {6, 3, 5}, {8, 0, 0}, {100, 0, 57}, {1000, 62, 999}, {1000, 62, 999}, {1000, 0, 106},
          {1000, 750, 999}, {1000, 670, 999}},
         {}, {}, -1},
        {"toggled button", false, with(button, {{1000, 0, 106}, {1000, 0, 749}, {6, 1, 1}}), {KEYBUF_A + 1}, {}, -1},
        {"no attack", false, with(button, {{1000, 107, 999}}), {}, {}, -1},
        {"random move 15: down and back", false,
         {{6, 2, 2}, {6, 3, 5}, {8, 1, 7}, {100, 0, 57}, {1000, 62, 999}, {1000, 0, 61}, {19, 15, 15}},
         {KEYBUF_BACK, KEYBUF_DOWN}, {}, -1},
        // In guard distance at time 0: v = 4 / 2 + 26 + 5 = 33, chance 33 x 10 / 14 = 23.
        {"guard", true, {{6, 2, 2}, {6, 3, 5}, {8, 1, 7}, {100, 0, 22}, {100, 0, 24}}, {KEYBUF_BACK, KEYBUF_DOWN},
         {}, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        o->state.moveType = c.attacker ? MOVETYPE_A : MOVETYPE_I;
        o->guardDist = 160;
        p->state.time = 0;
        p->ai.sub = AI_SUB_REACT;
        p->ai.pendingCount = 0;
        SeedFor(c.draws);
        AIPlayerUpdate(p);
        EXPECT_EQ(Keys(p), c.keys);
        EXPECT_EQ(Pending(p), c.pending);
        EXPECT_EQ(CmdUsedListCount(p->ai.mark), c.marked >= 0 ? 1 : 0);
        if (c.marked >= 0) {
            EXPECT_EQ(p->ai.mark[0], c.marked);
        }
        for (int b = 1; b <= KEYBUF_BUTTONS; b++)
            if (p->keyBuf.held[b])
                KeyBufPush(&p->keyBuf, b | R);
        Keys(p);
    }

    // A guard taken in the step that entered the reaction ends the tick: a
    // second reaction must not change it (here it would let go of down).
    o->state.moveType = MOVETYPE_A;
    p->state.time = 0;
    p->ai.sub = AI_SUB_FREE;
    p->ai.subTicks = 0;
    p->ai.plan.has = 0;
    p->ai.pendingCount = 0;
    AIEventsClear(p);
    SeedFor({{60, 0, 0},                                                   // to the reaction
             {6, 0, 2}, {6, 3, 5}, {8, 1, 7}, {100, 0, 22}, {100, 0, 24},  // guard, crouching
             {6, 0, 2}, {6, 3, 5}, {8, 1, 7}, {100, 0, 22}, {100, 25, 99}});  // guard, standing
    AIPlayerUpdate(p);
    EXPECT_EQ(p->ai.sub, AI_SUB_REACT);
    EXPECT_EQ(Keys(p), (std::vector<int>{KEYBUF_BACK, KEYBUF_DOWN}));
    for (int b = 1; b <= KEYBUF_BUTTONS; b++)
        if (p->keyBuf.held[b])
            KeyBufPush(&p->keyBuf, b | R);
    Keys(p);

    // Without the configuration key, or with no commands, nothing is marked.
    gv->cfg.arcade.aiCheat = 0;
    o->state.moveType = MOVETYPE_I;
    SeedFor(with(button, {{1000, 0, 106}, {1000, 750, 999}, {1000, 0, 669}}));
    AIPlayerUpdate(p);
    EXPECT_EQ(CmdUsedListCount(p->ai.mark), 0);
    gv->cfg.arcade.aiCheat = 1;
    CmdSet none{};
    const CmdSet *own = p->cmdSet;
    p->cmdSet = &none;
    SeedFor(with(button, {{1000, 0, 106}, {1000, 750, 999}, {1000, 0, 669}}));
    AIPlayerUpdate(p);
    EXPECT_EQ(CmdUsedListCount(p->ai.mark), 0);
    p->cmdSet = (CmdSet *)own;

    // An opponent's move start ends the reaction.
    p->ai.sub = AI_SUB_REACT;
    AIEventPost(o, AI_EVENT_START, 200, nullptr);
    EXPECT_EQ(AIEventReact(p), 1);
    EXPECT_EQ(p->ai.sub, AI_SUB_FREE);
}

TEST_F(AIField, TheTrainingDummyGuardsKeepsItsDistanceStanceAndButton)
{
    gv->matchKind = MATCH_KIND_TRAINING;
    Player *d = P(2), *o = P(1);
    d->aiControlled = 1;
    d->ai.dummy = 1;
    struct Case {
        const char *what;
        std::function<void()> set;
        std::vector<int> hold, keys;
    } cases[] = {
        {"guards a low attack", [&] { o->hitDef.guardFlag = HITFLAG_L; d->ai.dummyGuard = 1; },
         {KEYBUF_UP, KEYBUF_FWD}, {KEYBUF_UP | R, KEYBUF_FWD | R, KEYBUF_DOWN, KEYBUF_BACK}},
        {"guards a high attack", [&] { o->hitDef.guardFlag = HITFLAG_H; d->ai.dummyGuard = 1; }, {KEYBUF_DOWN},
         {KEYBUF_DOWN | R, KEYBUF_BACK}},
        {"no guard", [&] { o->hitDef.guardFlag = HITFLAG_L; }, {KEYBUF_BACK}, {KEYBUF_BACK | R}},
        {"approaches", [&] { o->state.moveType = MOVETYPE_I; d->ai.dummyApproach = 50; },
         {KEYBUF_BACK, KEYBUF_DOWN}, {KEYBUF_DOWN | R, KEYBUF_BACK | R, KEYBUF_FWD}},
        {"close enough", [&] { o->state.moveType = MOVETYPE_I; d->ai.dummyApproach = 150; }, {KEYBUF_FWD},
         {KEYBUF_FWD | R}},
        {"keeps walking while the opponent closes in",
         [&] { o->state.moveType = MOVETYPE_I; o->velX = 2.0f; d->ai.dummyApproach = 150; d->ai.dummyStance = 1; },
         {KEYBUF_FWD}, {KEYBUF_DOWN}},
        {"retreats", [&] { o->state.moveType = MOVETYPE_I; d->ai.dummyRetreat = 280; }, {KEYBUF_FWD},
         {KEYBUF_FWD | R, KEYBUF_BACK}},
        {"not at the screen edge", [&] { o->state.moveType = MOVETYPE_I; d->ai.dummyRetreat = 280; d->screenRight = 222; },
         {KEYBUF_FWD}, {KEYBUF_FWD | R}},
        {"crouches", [&] { o->state.moveType = MOVETYPE_I; d->ai.dummyStance = 1; }, {}, {KEYBUF_DOWN}},
        {"jumps", [&] { o->state.moveType = MOVETYPE_I; d->ai.dummyStance = 2; }, {}, {KEYBUF_UP}},
        {"holds up while rising", [&] {
             o->state.moveType = MOVETYPE_I;
             d->ai.dummyStance = 3;
             d->state.stateType = STATETYPE_A;
             d->velY = -2.0f;
         },
         {KEYBUF_UP}, {}},
        {"lets go of up at the top", [&] {
             o->state.moveType = MOVETYPE_I;
             d->ai.dummyStance = 3;
             d->state.stateType = STATETYPE_A;
             d->velY = 1.0f;
         },
         {KEYBUF_UP}, {KEYBUF_UP | R}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        o->state.moveType = MOVETYPE_A;
        o->guardDist = 160;
        o->velX = 0.0f;
        d->state.stateType = STATETYPE_S;
        d->velY = 0.0f;
        d->screenLeft = -1000;
        d->screenRight = 1000;
        AIPlayer &ai = d->ai;
        ai.dummyGuard = ai.dummyStance = ai.dummyApproach = ai.dummyRetreat = ai.dummyButton = 0;
        c.set();
        Hold(d, std::initializer_list<int>());
        for (int b : c.hold)
            KeyBufPush(&d->keyBuf, b);
        Keys(d);
        AIPlayerUpdate(d);
        EXPECT_EQ(Keys(d), c.keys);
        for (int b = 1; b <= KEYBUF_BUTTONS; b++)
            if (d->keyBuf.held[b])
                KeyBufPush(&d->keyBuf, b | R);
        Keys(d);
    }

    // The repeated button goes down and up with five ticks between.
    o->state.moveType = MOVETYPE_I;
    d->ai.dummyStance = 1;
    d->ai.dummyButton = 3;
    std::vector<int> changes;
    for (int t = 0; t < 12; t++) {
        AIPlayerUpdate(d);
        for (int k : Keys(d))
            if ((k & KEYBUF_BUTTON_MASK) == KEYBUF_A + 2)
                changes.push_back(t * 100 + k);
    }
    EXPECT_EQ(changes, (std::vector<int>{0 * 100 + 7, 5 * 100 + (7 | R), 10 * 100 + 7}));
}

TEST_F(AIField, TheApproachWalksOrJumpsToTheOpponent)
{
    Player *p = P(1), *o = P(2);
    struct Case {
        const char *what;
        float oppX, oppY;
        float yaccel, jumpY;
        std::vector<std::vector<float>> goals;  // x, y, kind
    } cases[] = {
        {"on the ground", 220, 0, 0.44f, -8.4f, {{180, 0, AI_GOAL_WALK}}},
        // Reach 2.5 x 16.8 / 0.44 = 95.45, apex -80.18: take off at 180 - 60 x 95.45 / 80.18.
        {"in the air within reach", 220, -60, 0.44f, -8.4f, {{108.5714f, 0, AI_GOAL_WALK}, {180, -60, AI_GOAL_JUMP}}},
        {"above the apex", 220, -90, 0.44f, -8.4f, {{132.2727f, 0, AI_GOAL_WALK}, {180, -90, AI_GOAL_JUMP}}},
        {"beyond reach", 400, -60, 0.44f, -8.4f, {{360, -60, AI_GOAL_JUMP}}},
        // The backward jump: reach -97.36, the take-off stays on the AI's side.
        {"behind", 50, -60, 0.44f, -8.4f, {{82.8571f, 0, AI_GOAL_WALK}, {10, -60, AI_GOAL_JUMP}}},
        {"no gravity", 220, -60, 0.0f, -8.4f, {{180, 0, AI_GOAL_WALK}}},
        {"rising gravity", 220, -60, -0.44f, -8.4f, {{180, 0, AI_GOAL_WALK}}},
        {"no jump", 220, -60, 0.44f, 0.0f, {{180, 0, AI_GOAL_WALK}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        o->posX = c.oppX;
        o->posY = c.oppY;
        p->consts.yAccel = c.yaccel;
        p->consts.jumpY = c.jumpY;
        p->ai.sub = AI_SUB_FREE;
        p->ai.subTicks = 0;
        p->ai.plan.has = 0;
        SeedFor({{60, 1, 59}});  // no reaction
        EXPECT_EQ(AIPlanStep(p), 1);
        EXPECT_EQ(p->ai.sub, AI_SUB_MOVE);
        ASSERT_EQ(p->ai.plan.goalCount, (int)c.goals.size());
        for (size_t i = 0; i < c.goals.size(); i++) {
            EXPECT_NEAR(p->ai.plan.goalX[i], c.goals[i][0], 0.01f) << i;
            EXPECT_FLOAT_EQ(p->ai.plan.goalY[i], c.goals[i][1]) << i;
            EXPECT_EQ(p->ai.plan.goalKind[i], (int)c.goals[i][2]) << i;
        }
    }

    // Walking there: forward is held until the goal is reached.
    o->posX = 220;
    o->posY = 0;
    p->consts.yAccel = 0.44f;
    p->consts.jumpY = -8.4f;
    p->aiControlled = 1;
    p->ai.sub = AI_SUB_FREE;
    p->ai.plan.goalCount = 0;
    SeedFor({{60, 1, 59}});
    AIPlayerUpdate(p);
    EXPECT_EQ(p->ai.sub, AI_SUB_MOVE);
    EXPECT_EQ(Keys(p), std::vector<int>{KEYBUF_FWD});
    EXPECT_TRUE(p->aiGuide[0].on) << "the goal shows among the debug boxes";
    p->posX = 179.5f;
    p->velX = 2.0f;
    SeedFor({{60, 1, 59}, {60, 1, 59}});
    AIPlayerUpdate(p);
    EXPECT_EQ(p->ai.sub, AI_SUB_FREE);
    EXPECT_EQ(Keys(p), std::vector<int>{KEYBUF_FWD | R});
}

TEST_F(AIField, GoalsAreReachedAlongTheWayOrAtTheHeight)
{
    Player *p = P(1);
    AIPlan &plan = p->ai.plan;
    plan.goalCount = 2;
    plan.goalX[0] = 180;
    plan.goalY[0] = 0;
    plan.goalKind[0] = AI_GOAL_WALK;
    plan.goalDir[0] = 1;
    plan.goalX[1] = 180;
    plan.goalY[1] = -60;
    plan.goalKind[1] = AI_GOAL_JUMP;
    plan.goalDir[1] = 1;
    struct Case {
        int sub, goal;
        float x, y, vx, vy;
        int air;
        int reached;
    } cases[] = {
        {AI_SUB_MOVE, 0, 179.5f, 0, 0, 0, 0, 1},   {AI_SUB_MOVE, 0, 185, 0, 2, 0, 0, 1},
        {AI_SUB_MOVE, 0, 170, 0, 2, 0, 0, 0},      {AI_SUB_FREE, 0, 179.5f, 0, 2, 0, 0, 0},
        {AI_SUB_MOVE, 1, 179.5f, -30, 2, -3, 1, 1}, {AI_SUB_MOVE, 1, 179.5f, -30, 0, -3, 1, 0},
        {AI_SUB_MOVE, 1, 150, -61, 0, -1, 1, 1},   {AI_SUB_MOVE, 1, 150, -50, 0, 2, 1, 1},
        {AI_SUB_MOVE, 1, 150, -70, 0, 2, 1, 0},    {AI_SUB_MOVE, 1, 150, -30, 0, -3, 1, 0},
        {AI_SUB_MOVE, 1, 150, -61, 0, -3, 0, 0},
    };
    for (const Case &c : cases) {
        p->ai.sub = c.sub;
        p->posX = c.x;
        p->posY = c.y;
        p->velX = c.vx;
        p->velY = c.vy;
        p->state.stateType = c.air ? STATETYPE_A : STATETYPE_S;
        EXPECT_EQ(AIGoalReached(p, c.goal), c.reached) << c.goal << " at " << c.x << "," << c.y;
    }
    p->ai.sub = AI_SUB_MOVE;
    EXPECT_EQ(AIGoalReached(p, 2), 0);
}

TEST_F(AIField, ChoiceKeepsTheLearnedMovesThatReachTheOpponentInTime)
{
    Player *p = P(2), *o = P(1);
    AIInfo *info = p->ai.info;
    // The opponent's move: active from tick 10, body from -12 to 14.
    AISample opp = AiKitSample(300, STATETYPE_S, 0);
    AiKitStat(&opp, AIS_FIRST, 10.0f, 10, 10, 0.0f);
    AiKitStat(&opp, AIS_CONTROL, 20.0f, 20, 20, 0.0f);
    opp.w[AIS_HIT_ATTR] = 0;
    auto own = [](int key, float first, float right, int attr) {
        AISample s = AiKitSample(key, STATETYPE_S, 0);
        AiKitStat(&s, AIS_FIRST, first, (int)first, (int)first, 0.0f);
        AiKitBox(&s.w[AIS_ATTACK_BOX], 10.0f, -60.0f, right, -40.0f);
        s.w[AIS_HIT_ATTR] = attr;
        s.w[AIS_HIT_GUARDFLAG] = 0;
        return s;
    };
    // At 120 pixels a box to 130 reaches, one to 50 does not.
    AISample samples[] = {
        own(400, 4, 130, 0),                         // early and reaching: chosen
        own(401, 12, 50, 0),                         // late and short
        own(402, 4, 50, 0),                          // early but short
        own(403, 4, 130, HITATTR_S | HITATTR_NA),    // an attack whose active frames come too late
    };
    AiKitStat(&samples[3], AIS_ACTIVE, 12.0f, 12, 12, 0.0f);
    for (const AISample &s : samples)
        ArrayAdd(info->ground, &s, s.w[AIS_KEY], 0);

    EXPECT_EQ(AISampleChoose(p, 4), 0) << "no plan";
    p->ai.plan.has = 1;
    p->ai.plan.opp = opp;
    p->ai.plan.oppSlot = 1;
    p->ai.plan.oppId = o->id;
    p->ai.plan.startTick = gv->gameTick;
    ASSERT_EQ(AISampleChoose(p, 4), 1);
    EXPECT_EQ(p->ai.candidates[0] - 1, ArrayFind(info->ground, 400, 0));
    EXPECT_EQ(p->ai.candidates[1], 0);

    p->state.ctrl = 0;
    EXPECT_EQ(AISampleChoose(p, 4), 0) << "without control a move needs more";
    p->state.ctrl = 1;

    // After the opponent's first active frame the window runs to its control.
    gv->gameTick += 11;
    ASSERT_EQ(AISampleChoose(p, 4), 1);
    EXPECT_EQ(p->ai.candidates[0] - 1, ArrayFind(info->ground, 400, 0));
    AiKitStat(&p->ai.plan.opp, AIS_CONTROL, 0.0f, 0, 0, 0.0f);
    EXPECT_EQ(AISampleChoose(p, 4), 0) << "no known control time, no choice";

    p->state.stateType = STATETYPE_L;
    EXPECT_EQ(AISampleChoose(p, 4), 0);
    p->state.stateType = STATETYPE_S;
    PlayerEnableSet(1, 0);
    EXPECT_EQ(AISampleChoose(p, 4), 0) << "the opponent is gone";
}

TEST_F(AIField, AnOpponentsMoveIsAnsweredWithALearnedMove)
{
    Player *p = P(2), *o = P(1);
    p->aiControlled = 1;
    p->aiLevel = 8;
    AISample theirs = AiKitSample(200, STATETYPE_S, 0);
    AiKitBox(&theirs.w[AIS_ATTACK_BOX], 10.0f, -60.0f, 130.0f, -40.0f);
    ArrayAdd(o->ai.info->ground, &theirs, 200, 0);
    AISample mine = AiKitSample(200, STATETYPE_S, 0, {LABEL_A});
    AiKitStat(&mine, AIS_FIRST, 1.0f, 1, 1, 0.0f);
    AiKitBox(&mine.w[AIS_ATTACK_BOX], 10.0f, -60.0f, 130.0f, -40.0f);
    mine.w[AIS_HIT_GUARDFLAG] = 0;
    ArrayAdd(p->ai.info->ground, &mine, 200, 0);

    o->state.stateNo = 200;
    o->state.moveType = MOVETYPE_A;
    o->guardDist = 160;
    AIEventBroadcast(o);
    // No reaction; the plan is taken (11 in 12) and reaches (19 in 20); the
    // one candidate is committed to (90 in 100).
    SeedFor({{60, 1, 59}, {12, 0, 10}, {20, 0, 18}, {100, 0, 89}, {1, 0, 0}, {60, 1, 59}});
    AIPlayerUpdate(p);
    EXPECT_EQ(Keys(p), (std::vector<int>{KEYBUF_BACK, KEYBUF_BACK | R})) << "guarding while it chose";
    EXPECT_EQ(Pending(p), (std::vector<int>{KEYBUF_A, 0, KEYBUF_A | R}));
    EXPECT_EQ(p->ai.pendingState, 200);
    bool matched = false;
    for (int t = 0; t < 4; t++) {
        AIPlayerUpdate(p);
        PlayerInputUpdate(p);
        gv->gameTick++;
        matched = matched || CmdIsActive(&p->cmdFlags, LABEL_A);
    }
    EXPECT_TRUE(matched);
    EXPECT_EQ(p->ai.pendingState, -1);
}

TEST_F(AIField, AFullArrayDropsNewMovesButCombinesKnownOnes)
{
    Player *p = P(1);
    for (int i = 0; i < AI_GROUND_MAX; i++) {
        AISample s = AiKitSample(i, STATETYPE_S, 0);
        ArrayAdd(p->ai.info->ground, &s, i, 0);
    }
    auto learn = [&](int state, int keep) {
        p->state.stateNo = 0;
        AIControllerBefore(p);
        p->state.stateNo = state;
        AISampleBegin(p);
        ASSERT_TRUE(p->ai.learn.open);
        p->ai.learn.sample.w[AIS_FIRST_SEEN] = 1;
        AISampleEnd(p, keep);
    };
    learn(200, 1);
    EXPECT_EQ(p->ai.info->ground->used, AI_GROUND_MAX);
    EXPECT_EQ(Learned(p->ai.info, 200), nullptr);
    learn(5, 1);
    EXPECT_EQ(Learned(p->ai.info, 5)->w[AIS_COUNT], 2);
    learn(6, 0);
    EXPECT_EQ(Learned(p->ai.info, 6)->w[AIS_COUNT], 1) << "a dropped sample changes nothing";
    // A move started in the air goes to the air array.
    p->state.stateType = STATETYPE_A;
    learn(600, 1);
    EXPECT_NE(ArrayFindElem(p->ai.info->air, 600, 0), nullptr);
}

TEST_F(AIField, TwoComputerPlayersFightAndLearn)
{
    P(1)->aiControlled = 1;
    P(2)->aiControlled = 1;
    GameRandomSeed(7);
    int punches = 0;
    int was[3] = {0, 0, 0};
    for (int t = 0; t < 900; t++) {
        Frame();
        for (int s = 1; s <= 2; s++) {
            punches += P(s)->state.stateNo == 200 && was[s] != 200;
            was[s] = P(s)->state.stateNo;
        }
        for (int s = 1; s <= 2; s++)
            ASSERT_TRUE(P(s)->ai.sub >= AI_SUB_FREE && P(s)->ai.sub <= AI_SUB_REACT);
    }
    EXPECT_GT(punches, 0) << "the AI's buttons start moves";
    const AISample *a = Learned(P(1)->ai.info, 200), *b = Learned(P(2)->ai.info, 200);
    ASSERT_TRUE(a || b) << "and the moves are learned";
    EXPECT_EQ((a ? a : b)->w[AIS_CMDS], LABEL_A);
}
