// Writes the fuzz targets' seed corpora, made with the test kit's file writers: seeds DIR writes DIR/<target>/<seed> for every target.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "charfuzz.h"
#include "fuzzkit.h"
#include "kit/sprkit.h"
#include "stagefuzz.h"
#include "support/aikit.h"
#include "support/charkit.h"
#include "support/deftext.h"
#include "support/fieldkit.h"
#include "support/fightkit.h"
#include "support/fontkit.h"
#include "support/gamekit.h"
#include "support/motifkit.h"
#include "support/movekit.h"
#include "support/sndkit.h"
#include "support/stagekit.h"
#include "support/testkit.h"
#include "support/tkmodkit.h"
#include "support/zipkit.h"

namespace fs = std::filesystem;

static std::map<std::string, std::vector<std::pair<std::string, std::string>>> seeds;

static void Seed(const std::string &target, const std::string &name, const std::string &bytes)
{
    seeds[target].push_back({name, bytes});
}

static std::string ZipBytes(const std::vector<ZipEntryData> &entries)
{
    std::string path = (fs::temp_directory_path() / ("velok-seed-" + std::to_string(getpid()) + ".zip")).string();
    std::string bytes;
    if (ZipArchiveWrite(path, entries))
        bytes = ReadFileText(path);
    fs::remove(path);
    return bytes;
}

// ---------------------------------------------------------------- texts

static const std::string hitDefState =
    "[Statedef 200]\ntype = S\nmovetype = A\nphysics = S\nanim = 200\nctrl = 0\nvelset = 0,0\npoweradd = 20\n"
    "juggle = 3\nfacep2 = 1\nhitdefpersist = 1\nsprpriority = 2\n"
    "[State 200, hit]\ntype = HitDef\ntrigger1 = AnimElem = 2\nattr = S, NA\ndamage = 30, 5\n"
    "animtype = Medium\nguardflag = MA\nhitflag = MAF\npriority = 4, Hit\npausetime = 10, 11\n"
    "sparkno = S2\nsparkxy = -10, -60\nhitsound = S5, 0\nguardsound = 6, 0\nground.type = High\n"
    "ground.slidetime = 12\nground.hittime = 14\nground.velocity = -4\nair.velocity = -3,-4\n"
    "air.fall = 1\nfall.recover = 0\nfall.envshake.time = 5\nenvshake.time = 4\nenvshake.ampl = 3\n"
    "palfx.time = 8\npalfx.add = 40,10,0\nyaccel = .5\nguard.dist = 60\nkill = 0\nid = 3\nchainid = 2\n"
    "p1stateno = 210\np2stateno = 5000\nnumhits = 2\ngetpower = 30,15\nsnap = 30,0\n"
    "[State 200, end]\ntype = ChangeState\ntrigger1 = AnimTime = 0\nvalue = 0\nctrl = 1\n";

static const std::string controllerStates =
    "[Statedef 300]\ntype = S\n"
    "[State 300, 1]\ntype = VarSet\ntrigger1 = Time = 0\nv = 3\nvalue = Random % 10 + (P2BodyDist X < 40)\n"
    "[State 300, 2]\ntype = VarAdd\ntriggerall = var(3) >= 0\ntrigger1 = Command = \"a\" && !(Time % 3)\nfv = 2\n"
    "value = Pos X * .5 + Vel Y ** 2\n"
    "[State 300, 3]\ntype = PosAdd\ntrigger1 = 1\nx = ifelse(facing = 1, 1, -1)\n"
    "[State 300, 4]\ntype = VelSet\ntrigger1 = Time = [2, 5)\ny = -2.5\n"
    "[State 300, 5]\ntype = Explod\ntrigger1 = Time = 1\nanim = 10\npos = 10, -20\npostype = p1\nbindtime = 5\n"
    "removetime = 20\nscale = 1.5, 1\nsprpriority = 3\nontop = 1\nownpal = 1\nid = 7\n"
    "[State 300, 6]\ntype = Helper\ntrigger1 = Time = 2\nstateno = 310\nid = 9\npos = 20, 0\nhelpertype = normal\n"
    "name = \"side\"\nkeyctrl = 0\nsize.xscale = 1.2\n"
    "[State 300, 7]\ntype = Projectile\ntrigger1 = Time = 3\nprojanim = 10\nprojid = 4\nvelocity = 3, 0\n"
    "attr = S, SP\ndamage = 10\nprojremovetime = 30\noffset = 20, -30\n"
    "[State 300, 8]\ntype = AfterImage\ntrigger1 = Time = 4\ntime = 10\nlength = 6\npalbright = 30,30,30\n"
    "[State 300, 9]\ntype = EnvShake\ntrigger1 = Time = 5\ntime = 8\nfreq = 60\nampl = -4\n"
    "[State 300, 10]\ntype = PalFX\ntrigger1 = Time = 6\ntime = 10\nadd = 10, 0, 0\nmul = 256, 200, 200\n"
    "sinadd = 20, 20, 20, 8\ninvertall = 1\ncolor = 128\n"
    "[State 300, 11]\ntype = PlaySnd\ntrigger1 = Time = 7\nvalue = S5, 0\nchannel = 2\nvolume = 50\n"
    "[State 300, 12]\ntype = HitOverride\ntrigger1 = Time = 8\nattr = SCA, AA\nstateno = 320\nslot = 1\ntime = 20\n"
    "[State 300, 13]\ntype = Pause\ntrigger1 = Time = 9\ntime = 3\nmovetime = 1\n"
    "[State 300, 14]\ntype = SuperPause\ntrigger1 = Time = 10\ntime = 4\nanim = -1\nsound = -1\n"
    "poweradd = 100\ndarken = 0\n"
    "[State 300, 15]\ntype = Width\ntrigger1 = 1\nedge = 10, 10\nplayer = 5, 5\n"
    "[State 300, 16]\ntype = ChangeAnim\ntrigger1 = Time = 11\nvalue = 200\nelem = 2\n"
    "[State 300, 17]\ntype = AssertSpecial\ntrigger1 = 1\nflag = noshadow\nflag2 = nowalk\n"
    "[State 300, 18]\ntype = DisplayToClipboard\ntrigger1 = Time = 12\ntext = \"%d %f %s\"\nparams = 1, 2.5, 3\n"
    "[State 300, 19]\ntype = ChangeState\ntrigger1 = Time >= 20\nvalue = 0\nctrl = 1\n"
    "[Statedef 310]\n[State 310, 1]\ntype = DestroySelf\ntrigger1 = Time > 10\n"
    "[Statedef 320]\n[State 320, 1]\ntype = SelfState\ntrigger1 = Time > 2\nvalue = 0\n";

static const char *const expressions[] = {
    "1 + 2 * 3 - 4 / 2",
    "Time = [0, 10) && Vel X > 0.5",
    "ifelse(var(1) >= 3, fvar(2) ** 2, -(3 % 2))",
    "p2bodydist x + enemynear, pos y - root, vel x",
    "command = \"FF\" || command != \"a\"",
    "AnimElem = 2, >= 0",
    "animelemtime(1) * 1.5 + floor(2.7) + ceil(-0.5) + abs(-3) + exp(1) + ln(2) + log(2, 8)",
    "gethitvar(animtype) + const(size.height) + stagevar(info.name) = \"Kit Stage\"",
    "helper(9), life + target, stateno + partner, power + playerid(56), var(0)",
    "var(5) := 7 + (fvar(3) := 2.5)",
    "sin(pi / 2) + cos(0) + tan(0) + asin(1) + acos(1) + atan(1) + e",
    "numhelper(9) + numexplod + numprojid(4) + numtarget + numenemy + numpartner",
    "hitdefattr = SC, NA, SA && movecontact && movehit && moveguarded",
    "random % 100 < 50 ^^ 1 & 3 | 4 ~ 5 !! 2",
    "projhit4 = 1, > 3",
    "(((((((((((((((((((((((((((((((((((1))))))))))))))))))))))))))))))))))",
    "2147483647 + 1 + -2147483648 / -1 + 1e40",
};

// ---------------------------------------------------------------- per target

static void TxtParseSeeds()
{
    Seed("txtparse", "def", CharKitDefText("Kit"));
    Seed("txtparse", "cns", CharKitConstantsText() + CharKitStatesText());
    Seed("txtparse", "cmd", CharKitCmdText());
    Seed("txtparse", "cfg", GameCfgText());
    Seed("txtparse", "stage", StageKit().Text());
    Seed("txtparse", "crlf", DefText({"; comment", "[Group A]", "key = 1, 2.5, word ; tail", "[group a]",
                                      "Key=\"quoted text\"", "", "[B]", "x = " + std::string(600, 'x')},
                                     "\r\n"));
    Seed("txtparse", "edge", "no group = 1\n[\n[unclosed\n]\n[Statedef 200]\n= empty key\nk =\n"
                             "k = 1\nk = 2\n\t [ spaced ] \n;[commented]\nlast = 5");
}

static void ZipSeeds()
{
    std::vector<ZipEntryData> entries;
    for (auto &f : CharKit().Files())
        entries.push_back({f.first, f.second, false});
    Seed("zip", "kit", ZipBytes(entries));
    Seed("zip", "mixed", ZipBytes({{"Kit.DEF", "[Info]\nname = \"Z\"\n", true},
                                   {"empty.txt", "", false},
                                   {"sub/Deep.cns", CharKitConstantsText(), false}}));
}

static void SffSeeds()
{
    Seed("sff", "kit", CharKit().sff);
    SffEntry a, b, c, d;
    a.pcx = PcxBytes(PcxPattern(6, 5, 3));
    a.x = 3;
    a.y = -2;
    b.group = 9000;
    b.pcx = PcxBytes(PcxPattern(2, 2, 9));
    b.samePal = true;
    c.group = 1;
    c.linked = true;
    c.linkIndex = 0;
    d.number = 1;
    PcxSpec wide = PcxPattern(5, 3, 1);
    wide.bytesPerLine = 8;
    d.pcx = PcxBytes(wide);
    Seed("sff", "linked", SffBytes({a, b, c, d}));
    Seed("sff", "bg", BgSffBytes({BgImageColumns(0, 0, 8, 4, 1, 0), BgImageFill(1, 0, 3, 3, 2)}));
}

static void PcxSeeds()
{
    Seed("pcx", "pattern", PcxBytes(PcxPattern(7, 5, 200)));
    PcxSpec rgb;
    rgb.width = 3;
    rgb.height = 2;
    rgb.planes = 3;
    for (int i = 0; i < 18; i++)
        rgb.pixels.push_back((unsigned char)(i * 14 + 0xC0 * (i % 2)));
    Seed("pcx", "rgb", PcxBytes(rgb));
    PcxSpec old = PcxPattern(4, 4, 5);
    old.marker = false;
    old.header16.assign(48, 7);
    Seed("pcx", "nomarker", PcxBytes(old));
    std::vector<unsigned char> pal(768);
    for (int i = 0; i < 768; i++)
        pal[i] = (unsigned char)(i * 7);
    Seed("pcx", "act", ActFileBytes(pal));
}

static void AirSeeds()
{
    Seed("air", "kit", CharKit().air);
    Seed("air", "field", FieldKitChar().air);
    Seed("air", "move", MoveKitAirText());
    Seed("air", "boxes",
         "[Begin Action 200]\nClsn2Default: 2\n Clsn2[0] = -10, 0, 10, -60\n Clsn2[1] = -5, -60, 5, -75\n"
         "0,0, 0,0, 3\nClsn1: 1\n Clsn1[0] = 0, -50, 30, -40\n0,1, 5,-2, 4, H\nLoopstart\n"
         "0,0, 0,0, 2, VH, A\n0,0, 0,0, 2, , AS128D128\n0,0, 0,0, 2, V, S\n[Begin Action 201]\n"
         "Clsn1Default: 1\n Clsn1[0] = 1, 2, 3, 4\n9000,0, 0,0, -1\n");
    // An element time that once made an element change run for minutes.
    Seed("air", "longtime", AirAction(0, {"0,0, 0,0, 1111111111", "0,0, 0,0, 3"}) +
                                AirAction(1, {"0,0, 0,0, 2", "0,0, 0,0, 1111111111", "0,0, 0,0, 1"}));
}

static std::string Keys(const std::vector<int> &events)
{
    std::string s;
    for (int e : events)
        s += (char)e;
    return s;
}

static void CmdSeeds()
{
    // Forward, forward, then a, then x+y together, a release and a facing switch.
    std::string keys = Keys({2, 0x12, 2, 0x12, 5, 0x15, 0, 8, 9, 0x18, 0x19, 0x20, 3, 0x13, 4, 0x14, 0x40, 5});
    Seed("cmd", "kit", FuzzJoin({CharKitCmdText(), keys}));
    Seed("cmd", "motions",
         FuzzJoin({"[Remap]\nx = y\ny = x\n[Defaults]\ncommand.time = 20\ncommand.buffer.time = 3\n"
                   "[Command]\nname = \"qcf_a\"\ncommand = ~D, DF, F, a\n"
                   "[Command]\nname = \"charge\"\ncommand = ~60$B, F, x+y\ntime = 30\n"
                   "[Command]\nname = \"hold\"\ncommand = /a, ~b, >c\n"
                   "[Command]\nname = \"dir\"\ncommand = $D, $U\nbuffer.time = 30\n"
                   "[Command]\nname = \"recovery\"\ncommand = x+y\n",
                   Keys({3, 3, 2, 0x13, 2, 5, 0x15, 0x12, 4, 4, 4, 0x14, 2, 8, 9, 0x18, 0x19, 6, 7, 0x16, 0x17})}));
}

static void ExprSeeds()
{
    int n = 0;
    for (const char *e : expressions) {
        Seed("expr", "e" + std::to_string(n), std::string(1, (char)(n % 3)) + e);
        n++;
    }
    // 65 stacked unary operators fail the compile with "Parser stack overflow error".
    Seed("expr", "unary65", std::string(1, 0) + std::string(65, '-') + "1");
}

static std::string StateTexts(int i)
{
    switch (i) {
    case 0: return CharKitStatesText();
    case 1: return FieldKitChar().cns.substr(CharKitConstantsText().size());
    case 2: return MoveKitCommonText();
    case 3: return hitDefState;
    default: return controllerStates;
    }
}

static void StateSeeds()
{
    for (int i = 0; i < 5; i++)
        Seed("states", "s" + std::to_string(i), StateTexts(i));
    std::string keys = Keys({5, 0x15, 2, 0x12, 2, 0x12, 0, 3, 0, 0x13, 1, 0x11, 6, 0x16});
    Seed("staterun", "kit", FuzzJoin({CharKitStatesText(), keys}));
    Seed("staterun", "hit", FuzzJoin({"[Statedef 0]\ntype = S\nctrl = 1\n[State 0, go]\ntype = ChangeState\n"
                                      "trigger1 = Time > 2 && StateNo != 200\nvalue = 200\n" + hitDefState,
                                      keys}));
    Seed("staterun", "controllers",
         FuzzJoin({"[Statedef 0]\ntype = S\n[State 0, go]\ntype = ChangeState\ntrigger1 = 1\nvalue = 300\n" +
                       controllerStates,
                   keys}));
    // Widths at the int's end: a Width edge and a player-type helper's size.
    Seed("staterun", "intends",
         FuzzJoin({CharKitStatesText() + "[State -2, width]\ntype = Width\ntrigger1 = 1\nedge = 2147483647, 0\n"
                                         "[State -2, helper]\ntype = Helper\ntrigger1 = !IsHelper && !NumHelper\n"
                                         "helpertype = player\nsize.ground.back = 2147483647\n",
                   keys}));
}

static std::vector<SndEntry> SmallSounds()
{
    return {{0, 0, WavMake(1, 8, 11025, WavSaw(40, 1, 8, 3))},
            {1, 0, WavMake(2, 16, 22050, WavSaw(30, 2, 16, 9))},
            {5, 0, WavMake(1, 16, 8000, WavSaw(20, 1, 16, 1))}};
}

static void SndSeeds()
{
    Seed("snd", "set", SndFileBytes(SmallSounds()));
    Seed("snd", "wav8", WavMake(1, 8, 8000, WavSaw(50, 1, 8, 0)));
    Seed("snd", "wavextra", WavRiff(WavChunk("fmt ", WavFmtBody(1, 2, 44100, 16, "xx")) + WavChunk("LIST", "abcd") +
                                    WavChunk("data", WavSaw(10, 2, 16, 4))));
}

static void FontSeeds()
{
    Seed("font", "fight", FightKitFont());
    Seed("font", "game", GameFontBytes());
    FntSpec s;
    s.pcx = PcxBytes(FntGlyphStrip({2, 3, 4, 1}, 6, 10));
    s.text = FntDefText({"size = 4,6", "spacing = 1,1", "colors = 4", "offset = 0,1", "type = variable"},
                        {"a", "b 2 3", "c", "0x41"});
    Seed("font", "banks", FntBytes(s));
}

static void ConfigSeeds()
{
    Seed("config", "game", GameCfgText());
    Seed("config", "plugins", GameCfgWith("Sound Win", "plugin = looptype = 2, plugins/in_a.so, mp3, OGG\n"
                                                       "plugin = plugins/in_b.so, mid"));
    Seed("config", "options", GameCfgWith("Options", "Difficulty = 7\nLife = 150\nmotif = data/x/system.def",
                                          GameCfgWith("P2 Keys", "Jump = 72\nB = 0")));
}

static std::string AiBytes()
{
    AiFileSpec spec;
    spec.ground = {AiKitSample(200, 0, 3, {0x10, 0x2010}), AiKitSample(210, 0, 5)};
    spec.air = {AiKitSample(600, 2, 7, {0x20})};
    AiKitBox(spec.basic[0], -10, -60, 10, 0);
    return AiFileBytes(spec);
}

static std::string CharJoin(const CharKit &kit, const std::string &states, const std::string &snd,
                            const std::string &ai = "")
{
    std::map<std::string, std::string> files = kit.Files();
    files["kit.st"] = states;
    files["kit.snd"] = snd;
    files["kit.ai"] = ai;
    std::vector<std::string> parts;
    for (const char *name : CHAR_FUZZ_FILES)
        parts.push_back(files[name]);
    return FuzzJoin(parts);
}

static void CharSeeds()
{
    CharKit kit = MoveKitChar();
    std::string def = CharKitDefText(kit.name, "stcommon = common.cns\nsound = kit.snd\nai = kit.ai\n");
    def.replace(def.find("st = kit.cns"), 12, "st = kit.st");
    kit.def = def;
    std::string snd = SndFileBytes(SmallSounds());
    for (const char *target : {"char", "charzip"}) {
        Seed(target, "move", CharJoin(kit, CharKitStatesText() + hitDefState, snd, AiBytes()));
        Seed(target, "field", CharJoin(kit, FieldKitChar().cns.substr(CharKitConstantsText().size()), ""));
    }
    CharKit plain;
    plain.def = CharKitDefText("Plain", "sound = kit.snd\n");
    Seed("char", "plain", CharJoin(plain, "", snd));
}

static void StageSeeds()
{
    std::vector<BgImage> images = {BgImageColumns(0, 0, 64, 16, 32, 0), BgImageRows(1, 0, 8, 8, 4, 4),
                                   BgImageFill(2, 0, 4, 4, 5)};
    std::string sff = BgSffBytes(images);
    StageKit kit;
    Seed("stage", "kit", FuzzJoin({kit.Text(), sff}));
    kit.shadow = "[Shadow]\nintensity = 96\ncolor = 0,0,20\nyscale = .4\nfade.range = 100, 60\n";
    kit.reflection = "[Reflection]\nintensity = 64\n";
    kit.music = "[Music]\nbgmusic = sound/track.mod\nbgvolume = 120\n";
    kit.bgs = "[BG floor]\ntype = parallax\nspriteno = 0,0\nstart = 0,200\ndelta = 1,1\nwidth = 64, 200\n"
              "yscalestart = 100\nyscaledelta = 1.2\n"
              "[BG sky]\ntype = normal\nspriteno = 1,0\nlayerno = 1\ntile = 1,1\ntilespacing = 2,2\n"
              "velocity = .5, 0\nsin.y = 3, 40, 0\ntrans = addalpha\nalpha = 128,128\nwindow = 0,0,200,100\n"
              "[Begin Action 5]\n2,0, 0,0, 3\n1,0, 1,1, 3, H\n"
              "[BG anim]\ntype = anim\nactionno = 5\nid = 3\nstart = 10, 20\n"
              "[BGCtrlDef a]\nlooptime = 30\nctrlid = 3\n"
              "[BGCtrl move]\ntype = PosAdd\ntime = 10, 20\nx = 1\n"
              "[BGCtrl hide]\ntype = visible\ntime = 5\nvalue = 0\n"
              "[BGCtrl sine]\ntype = sinx\ntime = 3\nvalue = 3, 12, 0\n";
    Seed("stage", "full", FuzzJoin({kit.Text(), sff}));
    Seed("bg", "stage", FuzzJoin({kit.Text(), sff}));
    Seed("bg", "menu", FuzzJoin({"[Menudef]\nspr = bg.sff\nbgclearcolor = 10,20,30\n"
                                 "[Menu a]\ntype = normal\nspriteno = 0,0\ntile = 1,0\n"
                                 "[Menu b]\ntype = parallax\nspriteno = 0,0\nwidth = 10,60\nxscale = 1,2\n",
                                 sff}));
}

static void FightSeeds()
{
    // The kit's files, with short sounds in place of its long ones.
    std::string dir = (fs::temp_directory_path() / ("velok-seed-fight-" + std::to_string(getpid()))).string();
    FightKit kit = FightKitMake();
    kit.Group("Lifebar") = {"p1.pos = 10, 10", "p1.bg0.spr = 1,0", "p1.mid.spr = 2,0", "p1.front.spr = 3,0",
                            "p1.range.x = 0, 100", "p2.pos = 310, 10", "p2.range.x = 0, -100"};
    kit.Group("Time") = {"pos = 160, 20", "counter.font = 1,0", "framespercount = 60"};
    kit.Group("Round") = {"match.wins = 2", "round.default.font = 1,0", "round.default.text = \"Round %i\"",
                          "fight.anim = 0", "ko.snd = 1,0"};
    kit.Group("Files").push_back("font1 = kit.fnt");
    std::string def = kit.Write(dir);
    std::string snd = SndFileBytes(SmallSounds());
    std::vector<std::string> parts = {ReadFileText(def),
                                      ReadFileText(dir + "/fight.sff"),
                                      snd,
                                      ReadFileText(dir + "/fightfx.sff"),
                                      ReadFileText(dir + "/fightfx.air"),
                                      snd,
                                      ReadFileText(dir + "/kit.fnt")};
    fs::remove_all(dir);
    Seed("fight", "kit", FuzzJoin(parts));
}

static void AiSeeds()
{
    Seed("ai", "kit", AiBytes());
    Seed("ai", "empty", AiFileBytes(AiFileSpec()));
}

static void StorySeeds()
{
    std::string sff = BgSffBytes({BgImageFill(1, 0, 4, 4, 5), BgImageFill(2, 0, 4, 4, 9)});
    std::string text = "[SceneDef]\nspr = sb.sff\nstartscene = 0\n" + AirAction(10, {AirElemLine(1, 0, 0, 0, -1)}) +
                       AirAction(20, {AirElemLine(2, 0, 0, 0, 3), AirElemLine(1, 0, 1, 1, 3)}) +
                       "[Scene a]\nclearcolor = 0,0,255\nwindow = 0,0,159,239\nlayerall.pos = 100,50\n"
                       "layer0.anim = 10\nlayer0.offset = 10,20\nlayer0.starttime = 3\nlayer1.anim = 99\n"
                       "layer2.anim = 20\nlayer2.offset = 100,0\nfadein.time = 10\nfadein.col = 255\n"
                       "fadeout.time = 5\nbgm = one.mid\nbgm.loop = 1\nbg.name = Back\nend.time = 40\n"
                       "[Scene b]\nlayer2.anim = 20\nlayer3.anim = 10\nlayer3.offset = 150,100\nbgm =\n"
                       "end.time = 10\n"
                       "[BackDef]\n[Back tile]\ntype = normal\nspriteno = 2,0\nstart = 0,0\ntile = 1,1\nlayerno = 0\n";
    Seed("story", "kit", FuzzJoin({text, sff}));
}

static void MotifSeeds()
{
    std::string dir = (fs::temp_directory_path() / ("velok-seed-motif-" + std::to_string(getpid()))).string();
    for (int variant = 0; variant < 2; variant++) {
        MotifKit kit = MotifKitMake();
        kit.select = "[Options]\narcade.maxmatches = 6, 1,1,0,0,0,0,0,0,0,9,9\nteam.maxmatches = 4,-1\n"
                     "[Characters]\nkit, stages/a.def, music = sound/theme.mp3, order = 0\nrandomselect\n"
                     "plain, random, includestage = 1\nzap.zip, stages/a.def, order = 3\nnobody, stages/c.def\n"
                     "[ExtraStages]\nstages/a.def\n";
        if (variant == 1)
            kit.select = "[Options]\n[Characters]\n" + std::string(20, 'x') + "\n";
        kit.Write(dir);
        Seed("motif", "kit" + std::to_string(variant),
             FuzzJoin({ReadFileText(dir + "/system.def"), ReadFileText(dir + "/system.sff"),
                       ReadFileText(dir + "/system.snd"), ReadFileText(dir + "/kit.fnt"), kit.select}));
        fs::remove_all(dir);
    }
}


static void TkmodSeeds()
{
    ModDesc mod;
    ModSampleDesc s1, s2;
    s1.data = std::string(64, '\x20');
    s2.data = std::string(40, '\x60');
    s2.loopStartWords = 4;
    s2.loopLengthWords = 10;
    mod.sampleList = {s1, s2};
    mod.orders = {0, 1, 0};
    mod.orderCount = 3;
    mod.patterns = {{KitCellAt(0, 0, 428, 1, -1, 0xC, 40), KitCellAt(1, 1, 214, 2, -1, 0x4, 0x46),
                     KitCellAt(2, 0, 0, 0, -1, 0xA, 0x04), KitCellAt(4, 2, 856, 1, -1, 0xE, 0x95),
                     KitCellAt(6, 3, 339, 2, -1, 0xF, 3), KitCellAt(8, 0, 0, 0, -1, 0xB, 1)},
                    {KitCellAt(0, 1, 570, 1, -1, 0x3, 8), KitCellAt(2, 1, 0, 0, -1, 0x0, 0x37),
                     KitCellAt(5, 2, 640, 2, -1, 0xE, 0x62), KitCellAt(7, 3, 0, 0, -1, 0xD, 0x10)}};
    std::string modBytes = ModBytes(mod);
    Seed("tkmod", "mod", modBytes);

    S3mDesc s3m;
    S3mSampleDesc ss;
    ss.data = std::string(80, '\x90');
    ss.loop = true;
    ss.loopStart = 10;
    ss.loopEnd = 70;
    s3m.samples = {ss};
    s3m.patterns = {{KitCellAt(0, 0, 0x40, 1, 48, 1, 4), KitCellAt(1, 1, 0x52, 1, -1, 4, 0x23), KitCellAt(3, 0, 254, 0, -1, 0, 0),
                     KitCellAt(4, 0, 0x41, 1, 64, 19, 0x80), KitCellAt(5, 1, 255, 0, 20, 8, 0x44)}};
    std::string s3mBytes = S3mBytes(s3m);
    Seed("tkmod", "s3m", s3mBytes);

    XmDesc xm;
    XmInstrumentDesc ins;
    XmSampleDesc xs;
    for (int i = 0; i < 60; i++)
        xs.values.push_back((i * 9) % 100 - 50);
    xs.loopStart = 10;
    xs.loopLength = 30;
    xs.loopType = 2;
    ins.samples = {xs};
    ins.volEnv.points = {{0, 64}, {10, 20}, {20, 40}};
    ins.volEnv.flags = 1 | 2;
    ins.panEnv.points = {{0, 0}, {5, 64}};
    ins.panEnv.flags = 1 | 4;
    ins.fadeout = 300;
    xm.instruments = {ins};
    xm.patterns = {{KitCellAt(0, 0, 49, 1, 0x40, 0, 0), KitCellAt(1, 1, 61, 1, 0x65, 0x1, 0x10), KitCellAt(2, 0, 97, 0, 0, 0, 0),
                    KitCellAt(3, 1, 50, 1, 0x90, 0x14, 3), KitCellAt(5, 0, 0, 0, 0, 0x1B, 0x21)}};
    std::string xmBytes = XmBytes(xm);
    Seed("tkmod", "xm", xmBytes);

    OwnDesc own;
    OwnSampleDesc os;
    os.length = 50;
    os.loopStart = 5;
    os.loopEnd = 45;
    os.loopType = 1;
    own.samples = {os};
    OwnInstrumentDesc oi;
    oi.volEnv.points = {{0, 64}, {8, 0}};
    oi.volEnv.flags = 1;
    own.instruments = {oi};
    own.patterns = {{KitCellAt(0, 0, 49, 1, 0x40, 0, 0), KitCellAt(2, 1, 52, 1, 0x30, 1, 2)}};
    Seed("tkmod", "own", OwnBytes(own));
    Seed("tkmod", "umx", UmxWrap(xmBytes, 40));
    Seed("tkmod", "umx-s3m", UmxWrap(s3mBytes, 17));
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    TxtParseSeeds();
    ZipSeeds();
    SffSeeds();
    PcxSeeds();
    AirSeeds();
    CmdSeeds();
    ExprSeeds();
    StateSeeds();
    SndSeeds();
    FontSeeds();
    ConfigSeeds();
    CharSeeds();
    StageSeeds();
    FightSeeds();
    TkmodSeeds();
    AiSeeds();
    StorySeeds();
    MotifSeeds();
    for (auto &t : seeds) {
        fs::path dir = fs::path(argv[1]) / t.first;
        fs::create_directories(dir);
        for (auto &s : t.second) {
            std::ofstream out(dir / s.first, std::ios::binary | std::ios::trunc);
            out << s.second;
        }
    }
    return 0;
}
