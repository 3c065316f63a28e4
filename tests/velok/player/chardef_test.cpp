#include "velok/player/chardef.h"

#include <allegro.h>
#include <cstring>
#include <string>

#include "kit/sprkit.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/clsn.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "lib/textbuf.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"
#include "support/charkit.h"
#include "support/deftext.h"
#include "support/recordkit.h"
#include "lib/snd-lib.h"
#include "support/sndkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/script/statedef.h"

namespace {

class CharDefTest : public GameVarsTest {
protected:
    void SetUp() override
    {
        GameVarsTest::SetUp();
        gv->warnLog = TextBufCreate(200, 64);
    }
    void TearDown() override
    {
        CharDataFree(cd);
        GameVarsTest::TearDown();
    }

    CharData *LoadDir(const CharKit &kit)
    {
        kit.WriteDir("chars/kit");
        gv->errorText[0] = 0;
        CharDataFree(cd);
        cd = PlayerDefLoadAny("chars/kit", kit.defName.c_str());
        return cd;
    }
    CharData *LoadZip(const CharKit &kit)
    {
        MakeDirs("chars");
        EXPECT_TRUE(kit.WriteZip("chars/kit.zip"));
        gv->errorText[0] = 0;
        CharDataFree(cd);
        cd = PlayerDefLoadAny("chars/kit.zip", kit.defName.c_str());
        return cd;
    }
    // The constants of a kit whose constants file is replaced by the text.
    CharData *LoadConstants(const std::string &cns)
    {
        CharKit kit;
        kit.cns = cns + CharKitStatesText();
        return LoadDir(kit);
    }

    CharData *cd = nullptr;
};

void ExpectKitLoaded(const CharData *cd)
{
    ASSERT_NE(cd, nullptr);
    EXPECT_STREQ(cd->name, "Kit");
    EXPECT_STREQ(cd->displayName, "Kit Shown");
    EXPECT_STREQ(cd->author, "Kit Maker");
    EXPECT_EQ(cd->versionDate[2], 2002);
    EXPECT_EQ(cd->engineVersion[0], 6);
    EXPECT_EQ(cd->cmds.count, 3);
    EXPECT_EQ(cd->cmds.names, nullptr);  // freed once the states are compiled
    EXPECT_NE(StateDefListFind(cd->states, 0), nullptr);
    EXPECT_NE(StateDefListFind(cd->states, -1), nullptr);
    EXPECT_NE(StateDefListFind(cd->states, -2), nullptr);
    EXPECT_GE(SprSetFindImage(cd->spr, 0, 0), 0);
    EXPECT_GE(SprSetFindPal(cd->spr, 1, 0), 0);
    EXPECT_GE(AnimSetFindAction(cd->anims, 0, 0), 0);
    EXPECT_EQ(cd->volume, 10);
    EXPECT_EQ(cd->consts.life, 1000);
}

TEST_F(CharDefTest, LoadsFromDirectoryAndZip)
{
    CharKit kit;
    ExpectKitLoaded(LoadDir(kit));
    ExpectKitLoaded(LoadZip(kit));
    std::string log = ReadFileText("velokw.log");
    EXPECT_NE(log.find("\nUsing original loader on chars/kit/kit.def\n"), std::string::npos);
    EXPECT_NE(log.find("\nUsing zip loader on chars/kit.zip\n"), std::string::npos);
    EXPECT_NE(log.find("\nTrying to load cmd...OK.\nTrying to load cns...OK.\nTrying to load extra states...OK.\n"
                       "\nTrying extra commands...OK.\nTrying to load sff...OK.\nTrying to load air...OK.\n"
                       "Trying to load pals...OK.\n"),
              std::string::npos)
        << log;
}

TEST_F(CharDefTest, ConstantsDefaultsDerivedValuesAndClamps)
{
    ASSERT_NE(LoadDir(CharKit()), nullptr) << gv->errorText;
    const PlayerConst &c = cd->consts;
    EXPECT_NEAR(c.fallDefenceUp, 0.6667f, 1e-4);
    EXPECT_EQ(c.power, 3000);
    EXPECT_EQ(c.koEcho, 1);
    EXPECT_EQ(c.sparkNo, 2);
    EXPECT_EQ(c.intPersistIndex, 50);
    EXPECT_EQ(c.attackDist, 160);
    EXPECT_EQ(c.projAttackDist, 90);
    EXPECT_EQ(c.attackZWidthFront, 4);
    EXPECT_EQ(c.zWidth, 3);
    EXPECT_EQ(c.midPosX, -5);
    EXPECT_EQ(c.midPosY, -60);  // the second value was left out
    EXPECT_FLOAT_EQ(c.xScale, 2.0f);
    EXPECT_FLOAT_EQ(c.runBackY, -3.8f);
    EXPECT_FLOAT_EQ(c.jumpY, -8.4f);
    EXPECT_FLOAT_EQ(c.runJumpFwdX, 2.5f);  // from jump.fwd
    EXPECT_FLOAT_EQ(c.runJumpY, 0.0f);
    EXPECT_FLOAT_EQ(c.runJumpBackX, -2.55f);
    EXPECT_FLOAT_EQ(c.airJumpFwdX, 2.5f);
    EXPECT_FLOAT_EQ(c.airJumpY, -8.1f);
    EXPECT_FLOAT_EQ(c.yAccel, 0.44f);
    EXPECT_EQ(c.airJumpNum, 1);

    struct Case {
        const char *from;
        const char *to;
        int PlayerConst::*intField;
        float PlayerConst::*floatField;
        float want;
        const char *log;
    };
    const Case cases[] = {
        {"IntPersistIndex = 50", "IntPersistIndex = 75", &PlayerConst::intPersistIndex, nullptr, 60, nullptr},
        {"IntPersistIndex = 50", "IntPersistIndex = -3", &PlayerConst::intPersistIndex, nullptr, 0, nullptr},
        {"FloatPersistIndex = 30", "FloatPersistIndex = 41", &PlayerConst::floatPersistIndex, nullptr, 40, nullptr},
        {"fall.defence_up = 50", "fall.defence_up = -100", nullptr, &PlayerConst::fallDefenceUp, 1.0f,
         "fall.defence_up = -100 is -100 or less: using 1.0"},
        {"fall.defence_up = 50", "fall.defence_up = -250", nullptr, &PlayerConst::fallDefenceUp, 1.0f, nullptr},
        {"defence = 100", "defence = 0", &PlayerConst::defence, nullptr, 100,
         "defence = 0 is not above 0: using 100"},
        {"defence = 100", "defence = -20", &PlayerConst::defence, nullptr, 100, nullptr},
        {"jump.fwd = 2.5", "jump.fwd = 3", nullptr, &PlayerConst::runJumpFwdX, 3.0f, nullptr},
        {"airjump.neu = 0, -8.1", "airjump.neu = 1", nullptr, &PlayerConst::airJumpY, -8.4f, nullptr},
    };
    for (const Case &k : cases) {
        std::string cns = CharKitConstantsText();
        cns.replace(cns.find(k.from), strlen(k.from), k.to);
        ASSERT_NE(LoadConstants(cns), nullptr) << k.to << ": " << gv->errorText;
        if (k.intField) {
            EXPECT_EQ(cd->consts.*k.intField, (int)k.want) << k.to;
        } else {
            EXPECT_FLOAT_EQ(cd->consts.*k.floatField, k.want) << k.to;
        }
        if (k.log) {
            EXPECT_NE(ReadFileText("velokw.log").find(k.log), std::string::npos) << k.to;
        }
    }
}

TEST_F(CharDefTest, ConstantsErrors)
{
    struct Case {
        const char *from;
        const char *to;
        const char *error;
    };
    const Case cases[] = {
        {"[Data]", "[Dat]", "Can't access Data\nError in kit.cns"},
        {"life = 1000", "", "Can't load Data constants\nError in kit.cns"},
        {"airjuggle = 15", "", "Can't load Data constants\nError in kit.cns"},
        {"[Size]", "[Sighs]", "Can't access Size constants\nError in kit.cns"},
        {"air.front = 12", "", "Can't load Size constants\nError in kit.cns"},
        {"[Velocity]", "[V]", "Can't access Velocity constants\nError in kit.cns"},
        {"[Movement]", "[M]", "Can't access Movement constants\nError in kit.cns"},
        {"yaccel = .44", "", "Can't load movement constants\nError in kit.cns"},
    };
    for (const Case &k : cases) {
        std::string cns = CharKitConstantsText();
        cns.replace(cns.find(k.from), strlen(k.from), k.to);
        EXPECT_EQ(LoadConstants(cns), nullptr) << k.to;
        EXPECT_STREQ(gv->errorText, k.error) << k.from;
    }
}

TEST_F(CharDefTest, DefinitionErrors)
{
    struct Case {
        std::string from;
        std::string to;
        std::string error;
    };
    const Case cases[] = {
        {"[Info]", "[Inf]", "Can't access Info"},
        {"name = \"Kit\"", "name = Kit", "String value for name must be in quotes"},
        {"[Files]", "[Filez]", "Can't access Files"},
        {"st = kit.cns\n", "", ""},  // no text of its own
        {"cmd = kit.cmd", "cmd = none.cmd", "Can't open file\nError in none.cmd"},
        {"cns = kit.cns", "cns = none.cns", "Can't open file: none.cns"},
        {"st = kit.cns", "st = none.st", "Can't open file: none.st\nError in none.st"},
        {"sprite = kit.sff", "sprite = none.sff", "Can't load none.sff"},
        {"anim = kit.air", "anim = none.air", "Can't load none.air"},
        {"pal1 = kit1.act", "pal1 = none.act", "Can't load none.act"},
        {"pal1 = kit1.act", "pal1 = kit1.act\nstcommon = nowhere.cns", "\nError in nowhere.cns"},
    };
    for (const Case &k : cases) {
        CharKit kit;
        kit.def.replace(kit.def.find(k.from), k.from.size(), k.to);
        EXPECT_EQ(LoadDir(kit), nullptr) << k.to;
        EXPECT_EQ(std::string(gv->errorText).find(k.error), 0u) << k.to << ": " << gv->errorText;
        if (k.error.empty()) {
            EXPECT_STREQ(gv->errorText, "");
        }
    }
    EXPECT_EQ(PlayerDefLoadAny("chars/kit", "none.def"), nullptr);
    EXPECT_STREQ(gv->errorText, "Can't open none.def");
    EXPECT_EQ(PlayerDefLoadAny("chars/none.zip", "kit.def"), nullptr);
    EXPECT_STREQ(gv->errorText, "Can't open kit.def");
}

TEST_F(CharDefTest, FailingStateFileExplainsByVersionDate)
{
    struct Case {
        const char *version;
        const char *tail;
    };
    const Case cases[] = {
        {"velokversion = 6,15,2003", "\nError in kit.st\nCharacter is not designed to run on this version of V.E.L.O.K."},
        {"velokversion = 6,13,2003", "\nError in kit.st\nCharacter needs to be updated. See docs/incompt*.txt."},
        {"velokversion = 1,1,2004", "\nError in kit.st\nCharacter is not designed to run on this version of V.E.L.O.K."},
        {"velokversion = 6,14,2003", "\nError in kit.st"},
        {"", "\nError in kit.st\nCharacter needs to be updated. See docs/incompt*.txt."},
    };
    for (const Case &k : cases) {
        CharKit kit;
        kit.def.replace(kit.def.find("velokversion = 6,14,2003"), strlen("velokversion = 6,14,2003"), k.version);
        kit.def.replace(kit.def.find("st = kit.cns"), strlen("st = kit.cns"), "st = kit.st");
        kit.states = "[Statedef 0]\ntype = Q\n[State 0, a]\ntype = Null\ntrigger1 = 1\n";
        EXPECT_EQ(LoadDir(kit), nullptr);
        std::string err = gv->errorText;
        EXPECT_EQ(err, std::string("State type \"Q\" not valid\nError in Statedef 0") + k.tail) << k.version;
    }
}

TEST_F(CharDefTest, OwnStatesOverrideCommonStatesAndExtraFilesAppend)
{
    CharKit kit;
    kit.def.replace(kit.def.find("st = kit.cns"), strlen("st = kit.cns"), "st = kit.st\nst3 = more.st\nstcommon = common.cns");
    kit.states = "[Statedef 0]\n[State 0, own]\ntype = VarAdd\ntrigger1 = 1\nv = 7\nvalue = 1\n";
    kit.extra["more.st"] = "[Statedef 300]\n[State 300, a]\ntype = Null\ntrigger1 = 1\n";
    kit.common = "[Statedef 0]\n[State 0, common]\ntype = Null\ntrigger1 = 1\n[State 0, b]\ntype = Null\ntrigger1 = 1\n"
                 "[Statedef 5000]\n[State 5000, a]\ntype = Null\ntrigger1 = 1\n";
    ASSERT_NE(LoadDir(kit), nullptr) << gv->errorText;
    StateDef *sd = StateDefListFind(cd->states, 0);
    ASSERT_NE(sd, nullptr);
    EXPECT_EQ(sd->ctrls->used, 1);
    EXPECT_NE(StateDefListFind(cd->states, 300), nullptr);
    EXPECT_NE(StateDefListFind(cd->states, 5000), nullptr);
    EXPECT_EQ(StateDefListFind(cd->states, 7), nullptr);
}

TEST_F(CharDefTest, ZipCommonStatesFallBackToDataDirectory)
{
    CharKit kit;
    kit.def.replace(kit.def.find("pal1 = kit1.act"), strlen("pal1 = kit1.act"), "pal1 = kit1.act\nstcommon = common.cns");
    DefFileWrite("data/common.cns", "[Statedef 5000]\n[State 5000, a]\ntype = Null\ntrigger1 = 1\n");
    ASSERT_NE(LoadZip(kit), nullptr) << gv->errorText;
    EXPECT_NE(StateDefListFind(cd->states, 5000), nullptr);

    // A missing entry in the zip form.
    kit.cmd.clear();
    EXPECT_EQ(LoadZip(kit), nullptr);
    EXPECT_STREQ(gv->errorText, "\nCould not open file: kit.cmd\nError in kit.cmd");
    kit = CharKit();
    kit.air = "not an animation";
    EXPECT_EQ(LoadZip(kit), nullptr);
    EXPECT_STREQ(gv->errorText, "Can't load kit.air");
}

TEST_F(CharDefTest, CollisionBoxesScaledByTheConstantsForThisLoadOnly)
{
    CharKit kit;
    kit.air = "[Begin Action 0]\nClsn2: 1\n Clsn2[0] = -10, -20, 10, 0\n0,0, 0,0, -1\n";
    ASSERT_NE(LoadDir(kit), nullptr) << gv->errorText;
    AnimAction *act = AnimSetActionAt(cd->anims, AnimSetFindAction(cd->anims, 0, 0));
    AnimElem *el = AnimActionElemAt(act, 0);
    ASSERT_NE(el->clsn2, nullptr);
    EXPECT_EQ(el->clsn2->boxes[0].x1, -20);
    EXPECT_EQ(el->clsn2->boxes[0].y1, -20);
    EXPECT_FLOAT_EQ(ClsnScaleX(), 1.0f);
    EXPECT_FLOAT_EQ(ClsnScaleY(), 1.0f);
}

TEST_F(CharDefTest, PlainLoaderPutsTheFilePositionBack)
{
    CharKit kit;
    kit.WriteDir("chars/kit");
    FILE *f = fopen("chars/kit/kit.def", "rt");
    ASSERT_NE(f, nullptr);
    cd = PlayerDefLoad("chars/kit", f);
    EXPECT_NE(cd, nullptr);
    EXPECT_EQ(ftell(f), 0);
    fclose(f);
}

}  // namespace

TEST_F(CharDefTest, SoundFileReadOnlyWhileSoundIsOn)
{
    CharKit kit;
    kit.def = CharKitDefText("Kit", "sound = kit.snd\n");
    kit.extra["kit.snd"] = SndFileBytes({{5, 1, WavMake(1, 8, 11025, WavSaw(64, 1, 8, 3))}});

    // Sound off: the key is not even looked at.
    ASSERT_NE(LoadDir(kit), nullptr) << gv->errorText;
    EXPECT_EQ(cd->sounds, nullptr);

    ASSERT_EQ(SndInstall(DIGI_NONE, MIDI_NONE, 8), 1);
    for (int zip = 0; zip < 2; zip++) {
        ASSERT_NE(zip ? LoadZip(kit) : LoadDir(kit), nullptr) << gv->errorText;
        ASSERT_NE(cd->sounds, nullptr);
        EXPECT_NE(SndSetFind(cd->sounds, 5, 1), nullptr);
    }
    std::string log = ReadFileText("velokw.log");
    EXPECT_NE(log.find("Trying to load air...OK.\nTrying to load snd...OK.\nTrying to load pals...OK.\n"),
              std::string::npos)
        << log;

    kit.extra["kit.snd"] = "not a sound file";
    EXPECT_EQ(LoadDir(kit), nullptr);
    EXPECT_NE(std::string(gv->errorText).find("Can't load kit.snd"), std::string::npos) << gv->errorText;
    SndRemove();
}
