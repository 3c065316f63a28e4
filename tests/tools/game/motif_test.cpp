// The sample game's screens laid out: every piece the select and versus screens place stays on the 320x240 screen and clear of the others, in every mode and with teams of up to four, and the options screen's rows leave the saved message its place.
#include "game/motif.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "sampletree.h"
#include "lib/font.h"
#include "lib/spr-draw.h"
#include "lib/spr-lib.h"
#include "lib/vbuf.h"
#include "support/menukit.h"
#include "support/pixkit.h"
#include "velok/core/config.h"
#include "velok/core/gamevars.h"
#include "velok/core/team.h"
#include "velok/player/explod.h"
#include "velok/screens/options.h"
#include "velok/screens/sysfile.h"

namespace {

// A rectangle of screen pixels, corners included; empty when x2 < x1.
struct Box {
    int x1 = 0, y1 = 0, x2 = -1, y2 = -1;
    bool Empty() const { return x2 < x1 || y2 < y1; }
    void Add(const Box &b)
    {
        if (b.Empty())
            return;
        if (Empty()) {
            *this = b;
            return;
        }
        x1 = std::min(x1, b.x1);
        y1 = std::min(y1, b.y1);
        x2 = std::max(x2, b.x2);
        y2 = std::max(y2, b.y2);
    }
    bool Meets(const Box &b) const
    {
        return !Empty() && !b.Empty() && x1 <= b.x2 && b.x1 <= x2 && y1 <= b.y2 && b.y1 <= y2;
    }
    bool Holds(const Box &b) const { return b.Empty() || (x1 <= b.x1 && y1 <= b.y1 && b.x2 <= x2 && b.y2 <= y2); }
};

std::ostream &operator<<(std::ostream &o, const Box &b)
{
    return o << "(" << b.x1 << "," << b.y1 << ")-(" << b.x2 << "," << b.y2 << ")";
}

struct Piece {
    std::string name;
    Box box;
};

const Box kScreen{0, 0, 319, 239};

// Every piece lies on the screen, and no two of them meet.
void ExpectOnScreenAndApart(const std::string &screen, const std::vector<Piece> &pieces, const Box &within = kScreen)
{
    for (size_t i = 0; i < pieces.size(); i++) {
        EXPECT_FALSE(pieces[i].box.Empty()) << screen << ": " << pieces[i].name << " draws nothing";
        EXPECT_TRUE(within.Holds(pieces[i].box)) << screen << ": " << pieces[i].name << " at " << pieces[i].box
                                                 << " leaves " << within;
        for (size_t j = i + 1; j < pieces.size(); j++)
            EXPECT_FALSE(pieces[i].box.Meets(pieces[j].box))
                << screen << ": " << pieces[i].name << " at " << pieces[i].box << " meets " << pieces[j].name
                << " at " << pieces[j].box;
    }
}

const char *const kModeTitles[] = {"Arcade",   "Versus Mode",          "Team Arcade",   "Team Versus", "Team Cooperative",
                                   "Survival", "Survival Cooperative", "Training Mode", "Watch Mode"};
const char *const kTeamItems[] = {"Single", "Simul", "Turns"};

class MotifLayout : public SampleTreeTest {
protected:
    // The margin around the screen on the canvas: what leaves the screen is
    // drawn there and seen.
    enum { MARGIN = 320 };

    void SetUp() override
    {
        SampleTreeTest::SetUp();
        StartUp();
        MotifLoad();
        canvas = create_bitmap_ex(16, 320 + 2 * MARGIN, 240 + 2 * MARGIN);
        ASSERT_NE(canvas, nullptr);
        PixVbufTargetSet(canvas, &rows);
    }
    void TearDown() override
    {
        vbufTarget = VbufTarget{};
        if (canvas)
            destroy_bitmap(canvas);
        SampleTreeTest::TearDown();
    }

    // The screen pixels that the drawing changes, drawn once over black and
    // once over white; draw gets where the screen's (0, 0) lies on the canvas.
    Box Drawn(const std::function<void(int, int)> &draw)
    {
        std::vector<bool> hit((size_t)canvas->w * canvas->h);
        for (int fill : {0, 0xFFFF}) {
            clear_to_color(canvas, fill);
            draw(MARGIN, MARGIN);
            for (int y = 0; y < canvas->h; y++) {
                const uint16_t *row = (const uint16_t *)canvas->line[y];
                for (int x = 0; x < canvas->w; x++)
                    if (row[x] != fill)
                        hit[(size_t)y * canvas->w + x] = true;
            }
        }
        Box b;
        for (int y = 0; y < canvas->h; y++)
            for (int x = 0; x < canvas->w; x++)
                if (hit[(size_t)y * canvas->w + x])
                    b.Add({x - MARGIN, y - MARGIN, x - MARGIN, y - MARGIN});
        return b;
    }
    Box Elem(const ScreenElem &e, int x, int y)
    {
        return Drawn([&](int ox, int oy) { MotifElemShow(&e, ox + x, oy + y, -1); });
    }
    Box Text(const MotifFont &f, int x, int y, const std::string &text)
    {
        return Drawn([&](int ox, int oy) { MotifTextDraw(&f, ox + x, oy + y, text.c_str()); });
    }
    Box Portrait(SprSet *set, int number, int x, int y, float sx, float sy)
    {
        int index = set ? SprSetFindImage(set, MOTIF_PORTRAIT_GROUP, number) : -1;
        if (index < 0)
            return Box{};
        return Drawn([&](int ox, int oy) { SprDrawScaled(set, index, (float)(ox + x), (float)(oy + y), sx, sy); });
    }
    std::vector<const SelectCell *> Characters()
    {
        std::vector<const SelectCell *> out;
        const SelectInfo &si = gv->motif->select;
        for (int i = 0; i < si.cellCount; i++)
            if (si.cells[i].charIndex >= 0)
                out.push_back(&si.cells[i]);
        return out;
    }

    BITMAP *canvas = nullptr;
    std::vector<int> rows;
};

// The select screen: the mode's title, the grid with its cursors, each side's
// large portrait, name and team menu, and the stage line. A team menu's box
// holds its title, items, cursor arrow and value icons, none on another;
// each side's menu stays clear of both portraits, since a cooperative team's
// second member shows on the other side while the opponent's menu is open.
TEST_F(MotifLayout, SelectScreenPiecesStayOnTheScreenAndApart)
{
    const SelectInfo &si = gv->motif->select;
    std::vector<const SelectCell *> chars = Characters();
    ASSERT_EQ(chars.size(), 2u);

    Piece title{"the title", {}};
    for (const char *t : kModeTitles)
        title.box.Add(Text(si.titleFont, si.titleOffsetX, si.titleOffsetY, t));

    Piece grid{"the grid", {}};
    for (int row = 0; row < si.rows; row++)
        for (int col = 0; col < si.columns; col++) {
            int x = si.posX + col * (si.cellSizeX + si.cellSpacing), y = si.posY + row * (si.cellSizeY + si.cellSpacing);
            const SelectCell &c = si.cells[row * si.columns + col];
            grid.box.Add(Elem(si.cellBg, x, y));
            if (c.charIndex == SELECT_CELL_RANDOM)
                grid.box.Add(Elem(si.cellRandom, x, y));
            else if (c.charIndex >= 0)
                grid.box.Add(Portrait(c.portraits, 0, x + si.portraitOffsetX, y + si.portraitOffsetY,
                                      si.portraitScaleX, si.portraitScaleY));
            for (int s = 0; s < 2; s++) {
                grid.box.Add(Elem(si.cursorActive[s], x, y));
                grid.box.Add(Elem(si.cursorDone[s], x, y));
            }
        }

    Piece stage{"the stage line", {}};
    std::vector<std::string> lines = {"Stage: Random"};
    for (int i = 0; i < gv->stageCount; i++) {
        char line[160];
        snprintf(line, sizeof line, "Stage %i: %s", i + 1, gv->stageList[i].name);
        lines.push_back(line);
    }
    for (const std::string &l : lines)
        for (const MotifFont *f : {&si.stageActiveFont, &si.stageActive2Font, &si.stageDoneFont})
            stage.box.Add(Text(*f, si.stagePosX, si.stagePosY, l));

    std::vector<Piece> pieces = {title, grid, stage};
    for (int s = 0; s < 2; s++) {
        const std::string side = "side " + std::to_string(s + 1) + "'s ";
        Piece face{side + "portrait", {}}, name{side + "name", {}};
        for (const SelectCell *c : chars) {
            float sx = si.faceScaleX[s] * (si.faceFacing[s] < 0 ? -1.0f : 1.0f);
            face.box.Add(Portrait(c->portraits, 1, si.faceOffsetX[s], si.faceOffsetY[s], sx, si.faceScaleY[s]));
            const char *shown = gv->charList[c->charIndex].displayName;
            name.box.Add(Text(si.nameFont[s], si.nameOffsetX[s], si.nameOffsetY[s], shown));
        }

        // The menu: Single, Simul and Turns with up to four value icons.
        const SelectTeamMenuLayout &m = si.teamMenu[s];
        Box bg = Elem(m.bg, m.posX, m.posY);
        std::vector<Piece> parts = {{side + "menu title", Elem(m.selfTitle, m.posX, m.posY)}};
        parts[0].box.Add(Elem(m.enemyTitle, m.posX, m.posY));
        Piece icons{side + "value icons", {}};
        for (int i = 0; i < 3; i++) {
            int x = m.posX + m.itemOffsetX + i * m.itemSpacingX, y = m.posY + m.itemOffsetY + i * m.itemSpacingY;
            Piece item{side + "item " + kTeamItems[i], {}};
            for (const MotifFont *f : {&m.itemFont, &m.itemActiveFont, &m.itemActive2Font})
                item.box.Add(Text(*f, x, y, kTeamItems[i]));
            parts.push_back(item);
            parts.push_back({side + "cursor at " + kTeamItems[i], Elem(m.itemCursor, x, y)});
            if (i == 2)
                for (int v = 0; v < TEAM_ENTRY_MAX; v++) {
                    int vx = x + v * m.valueSpacingX, vy = y + v * m.valueSpacingY;
                    icons.box.Add(Elem(m.valueIcon, vx, vy));
                    icons.box.Add(Elem(m.valueEmptyIcon, vx, vy));
                }
        }
        parts.push_back(icons);
        ExpectOnScreenAndApart("select screen", parts, bg);
        Piece menu{side + "team menu", bg};
        for (const Piece &p : parts)
            menu.box.Add(p.box);
        pieces.insert(pieces.end(), {face, name, menu});
    }
    ExpectOnScreenAndApart("select screen", pieces);
}

// The versus screen: each side's first member's portrait, and the names of
// its whole team, one line each, for teams of up to four.
TEST_F(MotifLayout, VersusScreenShowsFourNamesASide)
{
    const VsScreenInfo &v = gv->motif->vs;
    std::vector<const SelectCell *> chars = Characters();
    ASSERT_EQ(chars.size(), 2u);
    std::vector<Piece> pieces;
    for (int s = 0; s < 2; s++) {
        const std::string side = "side " + std::to_string(s + 1) + "'s ";
        Font *font = MotifFontGet(v.nameFont[s].font);
        ASSERT_NE(font, nullptr);
        int lineHeight = font->sizeH + font->spacingY;
        Piece face{side + "portrait", {}}, names{side + "names", {}};
        for (const SelectCell *c : chars) {
            float sx = v.facing[s] < 0 ? -v.scaleX[s] : v.scaleX[s];
            face.box.Add(Portrait(c->portraits, 1, v.posX[s], v.posY[s], sx, v.scaleY[s]));
            const char *shown = gv->charList[c->charIndex].displayName;
            for (int j = 0; j < TEAM_ENTRY_MAX; j++)
                names.box.Add(Text(v.nameFont[s], v.nameX[s], v.nameY[s] + j * lineHeight, shown));
        }
        pieces.push_back(face);
        pieces.push_back(names);
    }
    ExpectOnScreenAndApart("versus screen", pieces);
}

// The options screen with the sample game's system fonts.
class OptionsLayout : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        std::string error;
        ASSERT_EQ(SampleTreeWrite(".", &error), 1) << error;
        const char *paths[2] = {"font/f-4x6.fnt", "font/f-6x9.fnt"};
        for (int i = 0; i < 2; i++) {
            FontFree(gv->sysFont[i]);
            gv->sysFont[i] = FontLoad(paths[i]);
            ASSERT_NE(gv->sysFont[i], nullptr) << paths[i];
        }
        SysOptionsDefault();
    }

    // The pixels of the buffer's box that are not black.
    int Lit(const Box &b)
    {
        int n = 0;
        for (int y = b.y1; y <= b.y2; y++)
            for (int x = b.x1; x <= b.x2; x++)
                n += Pixel(x, y) != 0;
        return n;
    }
};

// Saving or loading shows its message at its fixed place for a second, in
// which the player may open another page: no page puts a row on its lines.
TEST_F(OptionsLayout, NoPageDrawsARowWhereTheSavedMessageShows)
{
    Box message;
    for (const char *text : {"Options Saved", "Options Loaded"}) {
        VbufClear(0);
        FontDrawTextC(text, gv->sysFont[1], 159, 118, 0xFFFF);
        for (int y = 0; y < PIX_H; y++)
            for (int x = 0; x < PIX_W; x++)
                if (Pixel(x, y))
                    message.Add({x - 1, y - 1, x + 1, y + 1});
    }
    ASSERT_FALSE(message.Empty());
    // The message stands on lines of its own: a row beside it would read as
    // part of it.
    const Box band{0, message.y1, PIX_W - 1, message.y2};

    MenuOptionsEnter();
    struct Page {
        const char *name;
        MenuScript keys;
        int page;
    } pages[] = {
        {"OPTIONS", MenuScript().Wait(1), OPT_PAGE_MAIN},
        {"TEAM MODE CONFIG", MenuScript().Tap(KEY_UP).Tap(KEY_UP).Tap(KEY_UP).Tap(KEY_UP).Tap(KEY_COMMA), OPT_PAGE_TEAM},
        {"INPUT CONFIG", MenuScript().Tap(KEY_ESC).Tap(KEY_UP).Tap(KEY_COMMA), OPT_PAGE_INPUT},
    };
    for (const Page &p : pages) {
        ASSERT_EQ(PlayThrough(p.keys, MenuOptionsFrame), 1) << p.name;
        ASSERT_EQ(MenuOptionsPage(), p.page) << p.name;
        EXPECT_GT(Lit(kScreen), 500) << p.name << " shows its rows";
        EXPECT_EQ(Lit(band), 0) << p.name << ": a row lies on the message's lines " << band;
    }
}

} // namespace
