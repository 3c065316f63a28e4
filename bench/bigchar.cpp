// A character of real size for the benchmarks, written with the test kit's file writers.
#include "bigchar.h"

#include <cstdio>
#include <vector>

#include "kit/sprkit.h"

namespace {

const char *const buttons[] = {"a", "b", "c", "x", "y", "z"};
const char *const motions[][2] = {
    {"qcf", "~D, DF, F, "},
    {"qcb", "~D, DB, B, "},
    {"dp", "~F, D, DF, "},
    {"hcb", "~F, DF, D, DB, B, "},
};

std::string Fmt(const char *format, int a, int b = 0, int c = 0)
{
    char buf[256];
    snprintf(buf, sizeof buf, format, a, b, c);
    return buf;
}

// A 64x96 figure on a transparent ground: a head and a body whose outline
// moves with the seed, shaded in bands of a few pixels as drawn sprites are.
PcxSpec FigurePcx(int seed, bool withPalette)
{
    const int w = 64, h = 96;
    PcxSpec p;
    p.width = w;
    p.height = h;
    p.pixels.assign((size_t)w * h, 0);
    int sway = seed % 7 - 3;
    for (int y = 4; y < h; y++) {
        int cx = w / 2 + (y < 24 ? 0 : sway * (y - 24) / 72);
        int half = y < 24 ? 9 : y < 60 ? 14 + (y - 24) / 6 : 10 + (seed + y) % 5;
        for (int x = cx - half; x <= cx + half; x++) {
            if (x < 0 || x >= w)
                continue;
            int band = (x / 3 + y / 4 + seed) % 60;
            p.pixels[(size_t)y * w + x] = (unsigned char)(1 + band + (y > 60 ? 64 : 0));
        }
    }
    if (withPalette) {
        for (int i = 0; i < 256; i++) {
            p.palette.push_back((unsigned char)(i * 3 + seed));
            p.palette.push_back((unsigned char)(i * 5));
            p.palette.push_back((unsigned char)(255 - i));
        }
    }
    return p;
}

std::string CmdText(const BigCharSizes &s)
{
    std::string t = "[Defaults]\ncommand.time = 15\ncommand.buffer.time = 1\n";
    std::vector<std::string> names;
    auto add = [&](const std::string &name, const std::string &keys) {
        if ((int)names.size() >= s.commands)
            return;
        names.push_back(name);
        t += "[Command]\nname = \"" + name + "\"\ncommand = " + keys + "\n";
    };
    // Motions first, as character files list them, so that the buttons are
    // matched after them.
    for (auto &m : motions)
        for (const char *b : buttons)
            add(std::string(m[0]) + "_" + b, std::string(m[1]) + b);
    add("FF", "F, F");
    add("BB", "B, B");
    add("recovery", "x+y");
    add("throw", "/F, y");
    add("super", "~D, DF, F, D, DF, F, a");
    for (const char *b : buttons)
        add(b, b);
    add("start", "s");
    add("holdfwd", "/F");
    add("holdback", "/B");
    add("holdup", "/U");
    add("holddown", "/D");

    // State -1: the specials, then the normal attacks.
    t += "\n[Statedef -1]\n";
    int normals = 6;
    int specials = s.specials - normals;
    for (int k = 0; k < specials; k++) {
        std::string cmd = std::string(motions[k % 4][0]) + "_" + buttons[(k / 4) % 6];
        t += Fmt("[State -1, special %i]\ntype = ChangeState\nvalue = %i\n", k, 1000 + k);
        t += "triggerall = command = \"" + cmd + "\"\n";
        t += Fmt("triggerall = power >= %i\n", (k % 3) * 500);
        t += "trigger1 = statetype != A\ntrigger1 = ctrl\n";
        t += "trigger2 = movecontact\ntrigger2 = stateno = [200, 290]\n";
    }
    for (int k = 0; k < normals && k < s.specials; k++) {
        t += Fmt("[State -1, normal %i]\ntype = ChangeState\nvalue = %i\n", k, 200 + 10 * k);
        t += std::string("triggerall = command = \"") + buttons[k] + "\"\n";
        t += "triggerall = command != \"holddown\"\n";
        t += "trigger1 = statetype = S\ntrigger1 = ctrl\n";
        t += Fmt("trigger2 = stateno = %i\ntrigger2 = movecontact\n", 200 + 10 * ((k + 5) % 6));
    }
    return t;
}

std::string ConstantsText(const BigCharSizes &s)
{
    std::string t = CharKitConstantsText();
    auto at = t.find("xscale = 2\nyscale = 1\n");
    if (at != std::string::npos) {
        char sc[64];
        snprintf(sc, sizeof sc, "xscale = %g\nyscale = %g\n", s.scale, s.scale);
        t.replace(at, 22, sc);
    }
    return t;
}

// Stand, crouch, walk, jump, landing, guard and get-hit states: what the
// engine itself enters, each with its own action.
std::string CommonText()
{
    std::string t;
    auto state = [&](int no, const char *type, const char *move, const char *physics, int anim, int ctrl,
                     const std::string &body) {
        t += Fmt("[Statedef %i]\n", no) + "type = " + type + "\nmovetype = " + move + "\nphysics = " + physics +
             "\n" + Fmt("anim = %i\n", anim) + (ctrl >= 0 ? Fmt("ctrl = %i\n", ctrl) : "") + body + "\n";
    };
    state(0, "S", "I", "S", 0, 1,
          "[State 0, vel]\ntype = VelSet\ntrigger1 = Time = 0\ny = 0\n"
          "[State 0, turn]\ntype = ChangeAnim\ntrigger1 = Anim != 0 && Anim != 5\nvalue = 0\n");
    state(10, "C", "I", "C", 10, 1,
          "[State 10, down]\ntype = ChangeState\ntrigger1 = AnimTime = 0\nvalue = 11\n");
    state(11, "C", "I", "C", 11, 1, "[State 11, stay]\ntype = Null\ntrigger1 = 1\n");
    state(12, "S", "I", "S", 12, 1,
          "[State 12, up]\ntype = ChangeState\ntrigger1 = AnimTime = 0\nvalue = 0\n");
    state(20, "S", "I", "S", 20, 1,
          "[State 20, walk]\ntype = VelSet\ntrigger1 = command = \"holdfwd\"\n"
          "x = const(velocity.walk.fwd.x)\n"
          "[State 20, back]\ntype = VelSet\ntrigger1 = command = \"holdback\"\nx = const(velocity.walk.back.x)\n"
          "[State 20, anim]\ntype = ChangeAnim\ntrigger1 = vel x > 0 && Anim != 20\nvalue = 20\n"
          "[State 20, anim back]\ntype = ChangeAnim\ntrigger1 = vel x < 0 && Anim != 21\nvalue = 21\n");
    state(40, "S", "I", "S", 40, 0,
          "[State 40, up]\ntype = VelSet\ntrigger1 = AnimTime = 0\ny = const(velocity.jump.neu.y)\n"
          "[State 40, fwd]\ntype = VelSet\ntrigger1 = AnimTime = 0 && command = \"holdfwd\"\n"
          "x = const(velocity.jump.fwd.x)\n"
          "[State 40, air]\ntype = ChangeState\ntrigger1 = AnimTime = 0\nvalue = 50\nctrl = 1\n");
    state(45, "A", "I", "N", 44, 0,
          "[State 45, up]\ntype = VelSet\ntrigger1 = Time = 0\ny = const(velocity.airjump.neu.y)\n"
          "[State 45, air]\ntype = ChangeState\ntrigger1 = Time = 0\nvalue = 50\nctrl = 1\n");
    state(50, "A", "I", "A", 41, -1,
          "[State 50, top]\ntype = ChangeAnim\ntrigger1 = vel y > -2 && Anim = 41\nvalue = 42\n"
          "[State 50, fall]\ntype = ChangeAnim\ntrigger1 = vel y > 2 && Anim = 42\nvalue = 43\n");
    state(52, "S", "I", "S", 47, 0,
          "[State 52, ground]\ntype = PosSet\ntrigger1 = Time = 0\ny = 0\n"
          "[State 52, stop]\ntype = VelSet\ntrigger1 = Time = 0\ny = 0\n"
          "[State 52, done]\ntype = ChangeState\ntrigger1 = AnimTime = 0\nvalue = 0\nctrl = 1\n");
    state(100, "S", "I", "S", 100, 1,
          "[State 100, run]\ntype = VelSet\ntrigger1 = 1\nx = const(velocity.run.fwd.x)\n"
          "[State 100, stop]\ntype = ChangeState\ntrigger1 = command != \"holdfwd\"\nvalue = 0\n");
    state(105, "A", "I", "A", 105, 0,
          "[State 105, hop]\ntype = VelSet\ntrigger1 = Time = 0\nx = const(velocity.run.back.x)\n"
          "y = const(velocity.run.back.y)\n");
    state(120, "U", "U", "U", 120, -1,
          "[State 120, stand]\ntype = ChangeState\ntrigger1 = AnimTime = 0\ntrigger1 = statetype = S\nvalue = 130\n"
          "[State 120, crouch]\ntype = ChangeState\ntrigger1 = AnimTime = 0\ntrigger1 = statetype = C\n"
          "value = 131\n"
          "[State 120, air]\ntype = ChangeState\ntrigger1 = AnimTime = 0\ntrigger1 = statetype = A\nvalue = 132\n");
    const int guards[] = {130, 131, 132, 140, 150, 151, 152, 153, 154, 155};
    for (int g : guards)
        state(g, g == 131 || g == 152 || g == 153 ? "C" : g == 132 || g >= 154 ? "A" : "S", "I", "U", g, -1,
              "[State " + std::to_string(g) + ", end]\ntype = ChangeState\ntrigger1 = AnimTime = 0\nvalue = 0\n"
              "ctrl = 1\n");
    // Get-hit states: a shake, then a slide, then back to standing.
    state(5000, "S", "H", "S", 5000, 0,
          "[State 5000, slide]\ntype = ChangeState\ntrigger1 = HitShakeOver\nvalue = 5001\n");
    state(5001, "S", "H", "S", 5001, 0,
          "[State 5001, vel]\ntype = VelSet\ntrigger1 = Time = 0\nx = GetHitVar(xvel)\n"
          "[State 5001, end]\ntype = ChangeState\ntrigger1 = HitOver\nvalue = 0\nctrl = 1\n");
    state(5010, "C", "H", "C", 5010, 0,
          "[State 5010, slide]\ntype = ChangeState\ntrigger1 = HitShakeOver\nvalue = 5011\n");
    state(5011, "C", "H", "C", 5011, 0,
          "[State 5011, end]\ntype = ChangeState\ntrigger1 = HitOver\nvalue = 11\nctrl = 1\n");
    state(5020, "A", "H", "N", 5020, 0,
          "[State 5020, fly]\ntype = ChangeState\ntrigger1 = HitShakeOver\nvalue = 5030\n");
    state(5030, "A", "H", "A", 5030, 0,
          "[State 5030, land]\ntype = ChangeState\ntrigger1 = Pos y >= 0 && Vel y > 0\nvalue = 52\n");
    const int falls[] = {5035, 5040, 5050, 5070, 5080, 5100, 5110, 5120, 5150, 5200, 5210};
    for (int f : falls)
        state(f, f >= 5100 ? "L" : "A", "H", "U", 5030, 0,
              "[State " + std::to_string(f) + ", end]\ntype = ChangeState\ntrigger1 = Time >= 20\nvalue = 0\n"
              "ctrl = 1\n");
    return t;
}

// The normal attacks 200 to 290: each starts its action, hits once with a
// HitDef and returns to standing when the action ends.
std::string AttackText()
{
    std::string t;
    for (int k = 0; k < 10; k++) {
        int no = 200 + 10 * k;
        t += Fmt("[Statedef %i]\ntype = S\nmovetype = A\nphysics = S\nctrl = 0\nanim = %i\nvelset = 0, 0\n"
                 "poweradd = 20\n",
                 no, no);
        t += Fmt("[State %i, hit]\ntype = HitDef\ntrigger1 = AnimElem = 2\n", no);
        t += "attr = S, NA\ndamage = 12, 2\nanimtype = Light\nguardflag = MA\nhitflag = MAF\n"
             "priority = 3, Hit\npausetime = 8, 8\nsparkno = -1\nguard.sparkno = -1\n"
             "ground.type = High\nground.slidetime = 10\nground.hittime = 12\nground.velocity = -4\n"
             "air.velocity = -3, -4\nair.type = High\n";
        t += Fmt("[State %i, step]\ntype = PosAdd\ntrigger1 = AnimElem = 1\nx = %i\n", no, k % 3);
        t += Fmt("[State %i, count]\ntype = VarAdd\ntrigger1 = MoveHit = 1\nv = %i\nvalue = 1\n", no, k);
        t += Fmt("[State %i, end]\ntype = ChangeState\ntrigger1 = AnimTime = 0\nvalue = 0\nctrl = 1\n\n", no);
    }
    return t;
}

// Specials and the rest of a large character's states: moves, HitDefs,
// variable bookkeeping, ending back in state 0.
std::string MovesText(int count)
{
    std::string t;
    for (int i = 0; i < count; i++) {
        int no = 1000 + i;
        t += Fmt("[Statedef %i]\ntype = S\nmovetype = A\nphysics = S\nctrl = 0\nanim = %i\n", no, no);
        t += Fmt("[State %i, vel]\ntype = VelSet\ntrigger1 = Time = 0\nx = %i\n", no, i % 5);
        t += Fmt("[State %i, hit]\ntype = HitDef\ntrigger1 = AnimElem = 2\n", no);
        t += "attr = S, SA\ndamage = 30\nanimtype = Medium\nguardflag = MA\npausetime = 10, 10\n"
             "sparkno = -1\nground.type = Low\nground.hittime = 15\nground.velocity = -6\n"
             "air.velocity = -4, -6\nair.fall = 1\n";
        t += Fmt("[State %i, var]\ntype = VarSet\ntrigger1 = Time = %i || var(%i) > 10\nv = 20\nvalue = 0\n", no,
                 i % 7, i % 20);
        t += Fmt("[State %i, stop]\ntype = VelMul\ntrigger1 = AnimElemTime(3) >= 0\nx = 0.8\n", no);
        t += Fmt("[State %i, end]\ntype = ChangeState\ntrigger1 = AnimTime = 0\nvalue = 0\nctrl = 1\n\n", no);
    }
    return t;
}

// One action of n elements showing images of one group, with a body box and,
// for attacks, an attack box on the second element.
std::string Action(int number, int group, int images, int n, int time, bool attack, bool loop = true)
{
    std::vector<std::string> lines = {"Clsn2Default: 2", " Clsn2[0] = -14, -80, 14, 0", " Clsn2[1] = -8, -96, 8, -80"};
    for (int e = 0; e < n; e++) {
        if (attack && e == 1) {
            lines.push_back("Clsn1: 1");
            lines.push_back(" Clsn1[0] = 10, -70, 52, -50");
        }
        if (loop && e == n / 2 && !attack)
            lines.push_back("Loopstart");
        lines.push_back(AirElemLine(group, e % images, e & 1, 0, time));
    }
    return AirAction(number, lines);
}

std::string AirText(const BigCharSizes &s)
{
    int groups = s.images / 10;
    auto g = [&](int n) { return groups > 0 ? n % groups : 0; };
    std::string t;
    t += Action(0, g(0), 10, 8, 6, false);
    t += Action(5, g(1), 10, 3, 2, false, false) + Action(6, g(2), 10, 3, 2, false, false);
    const int loops[] = {10, 11, 12, 20, 21, 40, 41, 42, 43, 44, 47, 100, 105, 120};
    for (int a : loops)
        t += Action(a, g(a), 10, 6, 4, false, a == 11 || a == 20 || a == 21 || a == 100);
    const int guards[] = {130, 131, 132, 140, 150, 151, 152, 153, 154, 155};
    for (int a : guards)
        t += Action(a, g(a), 10, 3, 4, false, false);
    for (int k = 0; k < 10; k++)
        t += Action(200 + 10 * k, g(200 + 10 * k), 10, 5, 3, true);
    const int hits[] = {5000, 5001, 5010, 5011, 5020, 5030};
    for (int a : hits)
        t += Action(a, g(a), 10, 4, 5, false);
    for (int i = 0; i < s.statedefs; i++)
        t += Action(1000 + i, g(1000 + i), 10, 6, 4, true);
    return t;
}

} // namespace

std::string BigCharSprites(int images, int imagesPerPalette)
{
    std::vector<SffEntry> entries;
    entries.reserve((size_t)images);
    for (int i = 0; i < images; i++) {
        SffEntry e;
        e.group = i / 10;
        e.number = i % 10;
        e.x = 32;
        e.y = 92;
        bool ownPalette = imagesPerPalette <= 1 || i % imagesPerPalette == 0;
        e.samePal = !ownPalette;
        e.pcx = PcxBytes(FigurePcx(i, true));
        entries.push_back(std::move(e));
    }
    return SffBytes(entries);
}

CharKit BigCharMake(const BigCharSizes &s)
{
    CharKit kit;
    kit.def = CharKitDefText(kit.name, "stcommon = common.cns\n");
    auto at = kit.def.find("st = kit.cns\n");
    if (at != std::string::npos)
        kit.def.replace(at, 13, "st = kit.cns\nst0 = kit.st\n");
    kit.cmd = CmdText(s);
    std::string common = CommonText();
    std::string attacks = AttackText();
    auto countOf = [](const std::string &text) {
        int n = 0;
        for (size_t p = text.find("[Statedef"); p != std::string::npos; p = text.find("[Statedef", p + 1))
            n++;
        return n;
    };
    int moves = s.statedefs - countOf(common) - countOf(attacks) - countOf(kit.cmd);
    kit.cns = ConstantsText(s) + attacks;
    kit.states = MovesText(moves > 0 ? moves : 0);
    kit.common = common;
    kit.air = AirText(s);
    kit.sff = BigCharSprites(s.images, s.imagesPerPalette);
    return kit;
}
