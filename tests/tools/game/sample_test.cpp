// The sample game's data tree: every file loads through the engine's loaders, and every sprite, action, font and sound the texts name exists.
#include "game/sample.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "game/motif.h"
#include "game/ridge.h"
#include "sampletree.h"
#include "lib/anim-lib.h"
#include "lib/array.h"
#include "lib/bg.h"
#include "lib/cutscene.h"
#include "lib/font.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/snd-lib.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/textbuf.h"
#include "lib/txtparse.h"
#include "lib/vbuf.h"
#include "support/pixkit.h"
#include "support/recordkit.h"
#include "support/testkit.h"
#include "velok/core/common.h"
#include "velok/core/config.h"
#include "velok/core/gamevars.h"
#include "velok/match/fight.h"
#include "velok/match/match.h"
#include "velok/player/p-make.h"
#include "velok/screens/charlist.h"
#include "velok/screens/menus.h"
#include "velok/screens/sysfile.h"

namespace {

// One "key = value" line of a definition text, with its group.
struct DefLine {
    std::string group, key, value;
};

std::string Lower(std::string s)
{
    for (char &c : s)
        c = (char)tolower((unsigned char)c);
    return s;
}

std::string Trim(const std::string &s)
{
    size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

std::vector<DefLine> DefLines(const std::string &text)
{
    std::vector<DefLine> out;
    std::istringstream in(text);
    std::string line, group;
    while (std::getline(in, line)) {
        line = Trim(line.substr(0, line.find(';')));
        if (line.empty())
            continue;
        if (line[0] == '[') {
            group = Lower(line.substr(1, line.find(']') - 1));
            continue;
        }
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            out.push_back({group, Lower(Trim(line.substr(0, eq))), Trim(line.substr(eq + 1))});
    }
    return out;
}

bool EndsWith(const std::string &s, const std::string &end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Every sprite that the actions of the set show exists in the sprite set.
void ExpectActionSprites(AnimSet *anims, SprSet *spr, const std::string &what)
{
    for (int a = 0; a < anims->count; a++) {
        AnimAction *act = AnimSetActionAt(anims, a);
        for (int e = 0; e < act->count; e++) {
            AnimElem *el = (AnimElem *)ArrayAt(act->elems, e);
            EXPECT_GE(SprSetFindImage(spr, el->group, el->image), 0)
                << what << " action " << AnimSetActionNoAt(anims, a) << " shows " << el->group << "," << el->image;
        }
    }
}

class SampleGame : public SampleTreeTest {
protected:
    // The warning log is empty and the status log reports no error.
    void ExpectNoComplaint()
    {
        TextBuf *r = gv->warnLog;
        for (int i = 0; i < r->count; i++)
            EXPECT_STREQ(r->lines[i], "") << "warning log line " << i;
        std::string log = Lower(ReadFileText("velokw.log"));
        EXPECT_EQ(log.find("error"), std::string::npos) << log;
        EXPECT_EQ(log.find("can't"), std::string::npos) << log;
    }
};

TEST_F(SampleGame, ConfigurationStartsAWindowedGame)
{
    StartUp();
    EXPECT_EQ(gv->cfg.video.width, 640);
    EXPECT_EQ(gv->cfg.video.height, 480);
    EXPECT_EQ(gv->cfg.video.depth, 16);
    EXPECT_EQ(gv->cfg.video.stretch, 1);
    EXPECT_EQ(gv->cfg.rules.gameType, CFG_GAMETYPE_VS);
    EXPECT_EQ(gv->cfg.sound.sound, 1);
    EXPECT_GE(gv->cfg.engine.helperMax, 4);
    // Every key of both sides is set, and no key serves both.
    std::map<int, int> owner;
    for (int side = 0; side < 2; side++)
        for (int slot = 1; slot <= KEYCONFIG_KEYS; slot++) {
            int code = gv->cfg.input.keys[side].key[slot];
            EXPECT_GT(code, 0) << "side " << side << " slot " << slot;
            EXPECT_LT(code, SYSKEYS_KEY_NONE) << "side " << side << " slot " << slot;
            EXPECT_TRUE(owner.emplace(code, side).second) << "key " << code << " twice";
        }
    TxtParseFile *tp = TxtParseOpen("data/velok.cfg");
    ASSERT_NE(tp, nullptr);
    ASSERT_GE(TxtParseGroupSet(tp, "Options"), 0);
    const char *motif = TxtParseValueGet(tp, "motif");
    ASSERT_NE(motif, nullptr);
    EXPECT_TRUE(FileExists(motif)) << motif;
    TxtParseClose(tp);
    ExpectNoComplaint();
}

TEST_F(SampleGame, EveryBinaryFileLoads)
{
    int fonts = 0, sprites = 0, sounds = 0;
    for (const auto &[path, bytes] : files) {
        if (EndsWith(path, ".fnt")) {
            Font *f = FontLoad(path.c_str());
            EXPECT_NE(f, nullptr) << path << ": " << LibErrorMsg;
            FontFree(f);
            fonts++;
        } else if (EndsWith(path, ".sff")) {
            SprSet *s = SprLoad(path.c_str());
            EXPECT_NE(s, nullptr) << path;
            if (s) {
                EXPECT_GT(SprSetImageCount(s), 0) << path;
            }
            SprSetFree(s);
            sprites++;
        } else if (EndsWith(path, ".snd")) {
            SndSet *s = SndSetLoad(path.c_str());
            EXPECT_NE(s, nullptr) << path;
            SndSetFree(s);
            sounds++;
        }
    }
    EXPECT_EQ(fonts, 5);
    EXPECT_EQ(sprites, 7);
    EXPECT_EQ(sounds, 5);
}

TEST_F(SampleGame, FightScreenAndStageLoad)
{
    StartUp();
    ASSERT_EQ(FightDefLoad("data/fight.def"), 1) << gv->errorText;
    ASSERT_NE(gv->fightAnims, nullptr);
    for (int f = 1; f <= 3; f++)
        EXPECT_NE(FightFontGet(f), gv->sysFont[0]) << "font " << f;
    ExpectActionSprites(gv->fightAnims, gv->fightSpr, "fight");
    ExpectActionSprites(gv->fightFxAnims, gv->fightFxSpr, "fightfx");
    for (int action : {0, 1, 2, 3, 40, 41, 120})
        EXPECT_GE(AnimSetFindAction(gv->fightFxAnims, 0, action), 0) << "spark " << action;

    // Every sprite, action, font and sound the fight screen names exists.
    int checked = 0;
    for (const DefLine &l : DefLines(files["data/fight.def"])) {
        int a = -1, b = -1, c = 0;
        if (l.group == "files") {
            continue;
        } else if (EndsWith(l.key, ".spr")) {
            ASSERT_EQ(sscanf(l.value.c_str(), "%d,%d", &a, &b), 2) << l.key;
            EXPECT_GE(b == 0 && a == 9000 ? 0 : SprSetFindImage(gv->fightSpr, a, b), 0) << l.group << " " << l.key;
        } else if (EndsWith(l.key, ".anim")) {
            EXPECT_GE(AnimSetFindAction(gv->fightAnims, 0, atoi(l.value.c_str())), 0) << l.key;
        } else if (EndsWith(l.key, "font") && l.key.find("font") != 0) {
            int n = sscanf(l.value.c_str(), "%d,%d,%d", &a, &b, &c);
            ASSERT_GE(n, 1) << l.key;
            Font *font = FightFontGet(a);
            ASSERT_NE(font, nullptr) << l.group << " " << l.key;
            if (n >= 2) {
                EXPECT_LT(b, SprSetPalCount(font->glyphs)) << l.group << " " << l.key << ": no bank " << b;
            }
        } else if (EndsWith(l.key, "snd")) {
            ASSERT_EQ(sscanf(l.value.c_str(), "%d,%d", &a, &b), 2) << l.key;
            EXPECT_NE(SndSetFind(gv->fightSnd, a, b), nullptr) << l.group << " " << l.key;
        } else {
            continue;
        }
        checked++;
    }
    EXPECT_GT(checked, 100);

    gv->cfg.sound.sound = 0;
    StrCopy(gv->stageFile, sizeof gv->stageFile, "stages/ridge.def");
    ASSERT_EQ(StageLoad(), 1) << gv->errorText;
    ASSERT_NE(gv->stageBg, nullptr);
    EXPECT_EQ(gv->stage.zOffset, 200);

    // Wherever the camera may go, the land covers the lower part of the
    // screen: no sky shows through between the layers.
    BITMAP *canvas = PixCanvas(0);
    std::vector<int> rows;
    PixVbufTargetSet(canvas, &rows);
    std::set<uint16_t> sky;
    const unsigned char *rgba = PalDataGet(SprSetPalAt(gv->stageBg->spr, 0));
    for (int i = RIDGE_SKY_FIRST; i <= RIDGE_SKY_LAST; i++)
        sky.insert(Rgb565(rgba[i * 4] >> 3, rgba[i * 4 + 1] >> 2, rgba[i * 4 + 2] >> 3));
    const StageVars &st = gv->stage;
    for (int cx : {st.boundLeft, 0, st.boundRight})
        for (int cy : {st.boundHigh, st.boundLow}) {
            VbufClear(0);
            BGSetCamera(gv->stageBg, (float)cx, (float)cy);
            BGDrawLayer(gv->stageBg, 0);
            int skyAbove = 0, skyBelow = 0;
            for (int x = 0; x < PIX_W; x++) {
                for (int y = 0; y < 60; y++)
                    skyAbove += sky.count(PixGet(canvas, x, y)) ? 1 : 0;
                for (int y = 170; y < PIX_H; y++)
                    skyBelow += sky.count(PixGet(canvas, x, y)) ? 1 : 0;
            }
            EXPECT_GT(skyAbove, PIX_W * 60 / 2) << "camera at " << cx << "," << cy;
            EXPECT_EQ(skyBelow, 0) << "camera at " << cx << "," << cy;
        }
    destroy_bitmap(canvas);
    vbufTarget = VbufTarget{};
    EXPECT_NE(ReadFileText("velokw.log").find("Opening fight data file data/fight.def...OK"), std::string::npos);
    ExpectNoComplaint();
}

TEST_F(SampleGame, MotifLoadsWithItsScreensAndFightScreen)
{
    StartUp();
    gv->motifDir = "data/";
    gv->motifFile = "system.def";
    ASSERT_EQ(SysFileLoad(), 1) << gv->errorText;
    ASSERT_NE(gv->motif, nullptr);
    ASSERT_NE(gv->fight, nullptr);
    ASSERT_NE(gv->motifSnd, nullptr);
    EXPECT_STREQ(menuMotif.logoStoryboard, "logo.def");
    EXPECT_STREQ(menuMotif.introStoryboard, "intro.def");
    EXPECT_EQ(menuMotif.demoWaitTime, 900);
    EXPECT_EQ(gv->motif->select.rows * gv->motif->select.columns, 8);
    for (int f = 1; f <= 3; f++)
        EXPECT_NE(MotifFontGet(f), gv->sysFont[0]) << "font " << f;

    // Every sprite, sound and font the motif names exists.
    int checked = 0;
    for (const DefLine &l : DefLines(files["data/system.def"])) {
        int a = -1, b = -1;
        if (l.group == "files") {
            continue;
        } else if (EndsWith(l.key, ".spr") || l.key == "spriteno") {
            ASSERT_EQ(sscanf(l.value.c_str(), "%d,%d", &a, &b), 2) << l.key;
            EXPECT_GE(SprSetFindImage(gv->motifSpr, a, b), 0) << l.group << " " << l.key;
        } else if (EndsWith(l.key, "snd")) {
            ASSERT_EQ(sscanf(l.value.c_str(), "%d,%d", &a, &b), 2) << l.key;
            EXPECT_NE(SndSetFind(gv->motifSnd, a, b), nullptr) << l.group << " " << l.key;
        } else if (EndsWith(l.key, "font")) {
            ASSERT_EQ(sscanf(l.value.c_str(), "%d,%d", &a, &b), 2) << l.key;
            Font *font = MotifFontGet(a);
            ASSERT_NE(font, nullptr) << l.group << " " << l.key;
            EXPECT_NE(font, gv->sysFont[0]) << l.group << " " << l.key;
            EXPECT_LT(b, SprSetPalCount(font->glyphs)) << l.group << " " << l.key << ": no bank " << b;
        } else {
            continue;
        }
        checked++;
    }
    EXPECT_GT(checked, 60);

    // The menu backgrounds cover the whole screen.
    BITMAP *canvas = PixCanvas(0);
    std::vector<int> rows;
    PixVbufTargetSet(canvas, &rows);
    const char *names[MOTIF_BG_COUNT] = {"TitleBG", "VersusBG", "SelectBG", "OptionBG"};
    for (int i = 0; i < MOTIF_BG_COUNT; i++) {
        BGDef *bg = gv->motif->bg[i];
        ASSERT_NE(bg, nullptr) << names[i];
        for (int t = 0; t < 30; t++)
            BGTick(bg);
        BGSetCamera(bg, 0, 0);
        BGDrawAll(bg);
        int black = 0;
        for (int y = 0; y < PIX_H; y += 8)
            for (int x = 0; x < PIX_W; x += 8)
                black += PixGet(canvas, x, y) == 0;
        EXPECT_EQ(black, 0) << names[i] << " leaves the screen bare somewhere";
        PixSavePcx(canvas, std::string("sample-") + names[i]);
    }
    destroy_bitmap(canvas);
    vbufTarget = VbufTarget{};

    // The select file: both fighters where it looks for them, the random
    // cell, and the stage.
    for (const char *name : kMotifCharacters)
        EXPECT_TRUE(FileExists((std::string("chars/") + name + "/" + name + ".def").c_str())) << name;
    ASSERT_EQ(SelectListsAlloc(), 1);
    ASSERT_EQ(SelectDefOpen(gv->motif->selectFile), 1) << gv->errorText;
    ASSERT_EQ(SelectDefLoad(), 1) << gv->errorText;
    const SelectInfo &si = gv->motif->select;
    ASSERT_EQ(gv->charCount, 2);
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(si.cells[i].charIndex, i);
        EXPECT_EQ(std::string(gv->charList[i].dir), std::string("chars/") + kMotifCharacters[i] + "/");
    }
    EXPECT_EQ(si.cells[2].charIndex, SELECT_CELL_RANDOM);
    ASSERT_EQ(gv->stageCount, 1);
    EXPECT_STREQ(gv->stageList[0].path, "stages/ridge.def");
    EXPECT_STREQ(gv->stageList[0].name, "Sunset Ridge");
    ExpectNoComplaint();
}

// The select and versus screens load each fighter's two portraits alone, as
// the select file is read: every colour they show is the fighter's own (its
// first palette file). In the whole sprite file every other image still shares
// the palette of the fighter's first image, which the palette a player picks
// replaces.
TEST_F(SampleGame, PortraitsLoadedAloneShowTheFightersColours)
{
    StartUp();
    MotifLoad();
    for (int i = 0; i < 2; i++) {
        const std::string dir = std::string("chars/") + kMotifCharacters[i] + "/" + kMotifCharacters[i];
        // An .act file holds the colours last first.
        const std::string act = files[dir + "1.act"];
        ASSERT_EQ(act.size(), 768u) << dir;
        SprSet *portraits = gv->motif->select.cells[i].portraits;
        ASSERT_NE(portraits, nullptr) << dir;
        for (int number = 0; number < 2; number++) {
            const SprImage *img = SprSetImageGet(portraits, 9000, number);
            ASSERT_NE(img, nullptr) << dir << " 9000," << number;
            ASSERT_EQ(img->pixelKind, SPR_PIXELS_HEAP);
            const Palette *pal = img->palIndex >= 0 ? SprSetPalAt(portraits, img->palIndex) : nullptr;
            ASSERT_NE(pal, nullptr) << dir << " 9000," << number;
            const unsigned char *rgba = PalDataGet(pal);
            std::set<int> used, wrong;
            for (int y = 0; y < img->height; y++)
                for (int x = 0; x < img->width; x++)
                    used.insert(((const unsigned char *)img->pixels)[img->rows[y] + x]);
            for (int c : used)
                for (int k = 0; k < 3; k++)
                    if (rgba[c * 4 + k] != (unsigned char)act[(255 - c) * 3 + k])
                        wrong.insert(c);
            EXPECT_GT(used.size(), 8u) << dir << " 9000," << number;
            EXPECT_TRUE(wrong.empty()) << dir << " 9000," << number << ": " << wrong.size() << " of "
                                       << used.size() << " colours are not the fighter's";
        }
        SprSet *whole = SprLoad((dir + ".sff").c_str());
        ASSERT_NE(whole, nullptr) << dir;
        int first = SprSetImageAt(whole, 0)->palIndex;
        int face = SprSetFindImage(whole, 9000, 0), large = SprSetFindImage(whole, 9000, 1);
        for (int slot = 0; slot < SprSetImageCount(whole); slot++) {
            if (slot != face && slot != large) {
                EXPECT_EQ(SprSetImageAt(whole, slot)->palIndex, first) << dir << " image " << slot;
            }
        }
        SprSetFree(whole);
    }
}

TEST_F(SampleGame, StoryboardsPlayTheirScenes)
{
    SprSet *story = SprLoad("data/story.sff");
    ASSERT_NE(story, nullptr);
    for (const char *path : {"data/logo.def", "data/intro.def"}) {
        TxtParseFile *tp = TxtParseOpen(path);
        ASSERT_NE(tp, nullptr) << path;
        AnimSet *anims = AnimSetParse(tp);
        TxtParseClose(tp);
        ASSERT_NE(anims, nullptr) << path << ": " << LibErrorMsg;
        ExpectActionSprites(anims, story, path);
        for (const DefLine &l : DefLines(files[path])) {
            if (EndsWith(l.key, ".anim")) {
                EXPECT_GE(AnimSetFindAction(anims, 0, atoi(l.value.c_str())), 0) << path << " " << l.key;
            }
        }
        AnimSetFree(anims);
    }
    SprSetFree(story);

    // Each storyboard plays its scenes to the end; halfway through each scene
    // its picture is whole and unfaded, with something drawn in the middle.
    BITMAP *canvas = PixCanvas(0);
    std::vector<int> rows;
    PixVbufTargetSet(canvas, &rows);
    struct Case {
        const char *path;
        std::vector<int> ends;  // each scene's end time
    };
    for (const Case &c : {Case{"data/logo.def", {150}}, Case{"data/intro.def", {200, 180}}}) {
        Storyboard *sb = StoryboardLoad(c.path, "scene", nullptr, nullptr);
        ASSERT_NE(sb, nullptr) << c.path << ": " << LibErrorMsg;
        ASSERT_EQ(sb->data->sceneCount, (int)c.ends.size()) << c.path;
        StoryboardRestart(sb);
        for (size_t scene = 0; scene < c.ends.size(); scene++) {
            for (int t = 0; t < c.ends[scene] / 2; t++)
                ASSERT_EQ(StoryboardTick(sb), 0) << c.path;
            EXPECT_EQ(sb->data->scene, (int)scene) << c.path;
            EXPECT_EQ(StoryboardDataFadeLevel(sb->data), -1) << c.path << " scene " << scene;
            VbufClear(0);
            StoryboardDraw(sb);
            int lit = 0;
            for (int x = 100; x < 220; x++)
                lit += PixGet(canvas, x, 100) != 0 || PixGet(canvas, x, 40) != 0;
            EXPECT_GT(lit, 20) << c.path << " scene " << scene;
            std::string name = std::string("sample-") + (c.path + 5);
            PixSavePcx(canvas, name.substr(0, name.size() - 4) + "-" + std::to_string(scene));
            for (int t = c.ends[scene] / 2; t < c.ends[scene] - 1; t++)
                ASSERT_EQ(StoryboardTick(sb), 0) << c.path;
            int end = StoryboardTick(sb);
            EXPECT_EQ(end, scene + 1 == c.ends.size() ? 1 : 0) << c.path << " scene " << scene;
        }
        StoryboardFree(sb);
    }
    destroy_bitmap(canvas);
    vbufTarget = VbufTarget{};
    ExpectNoComplaint();
}

} // namespace
