// Select file: the character list with the grid it fills, the stage list, the per-order match counts and the arcade order of computer opponents.
#include "velok/screens/charlist.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <unordered_set>
#include <vector>

#include "lib/grandom.h"
#include "lib/libbase.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"
#include "velok/core/common.h"
#include "velok/core/team.h"
#include "velok/player/charpal.h"
#include "velok/player/precache.h"
#include "velok/screens/sysfile.h"

// The select file between SelectDefOpen and SelectDefLoad.
static TxtParseFile *selectFile;

static const int portraitList[] = {MOTIF_PORTRAIT_GROUP, 0, MOTIF_PORTRAIT_GROUP, 1, -1, -1};

// ---------------------------------------------------------------- lists

static void StageListFree()
{
    MemFree(gv->stageList);
    gv->stageList = nullptr;
    gv->stageCount = 0;
}

int SelectListsAlloc()
{
    SelectListsFree();
    gv->charList = (CharInfo *)LibCalloc(SELECT_CHAR_CAPACITY, sizeof(CharInfo));
    if (!gv->charList) {
        GameErrorSet("Out of memory");
        return 0;
    }
    gv->charCapacity = SELECT_CHAR_CAPACITY;
    gv->charCount = 0;
    gv->arcadeOrder.assign(1, -1);
    gv->arcadeIndex = 0;
    // The thread queues arcade opponents from the order kept here.
    PrecacheOpponentsSet(ArcadeListOpponents);
    if (!PrecacheInit(gv->cfg.misc.precache)) {
        GameErrorSet("Out of memory");
        return 0;
    }
    return 1;
}

void SelectCharListFree()
{
    if (!gv)
        return;
    MemFree(gv->charList);
    gv->charList = nullptr;
    gv->charCount = 0;
    gv->charCapacity = 0;
}

void SelectListsFree()
{
    if (!gv)
        return;
    SelectCharListFree();
    StageListFree();
    gv->arcadeOrder.clear();
    gv->arcadeIndex = 0;
    TxtParseClose(selectFile);
    selectFile = nullptr;
}

int SelectCharAdd()
{
    if (gv->charCount >= gv->charCapacity) {
        int capacity = gv->charCapacity > 0 ? gv->charCapacity * 2 : SELECT_CHAR_CAPACITY;
        CharInfo *list = (CharInfo *)LibCalloc((size_t)capacity, sizeof(CharInfo));
        if (!list)
            return -1;
        if (gv->charList)
            memcpy(list, gv->charList, sizeof(CharInfo) * (size_t)gv->charCount);
        MemFree(gv->charList);
        gv->charList = list;
        gv->charCapacity = capacity;
    }
    CharInfo *e = &gv->charList[gv->charCount];
    memset(e, 0, sizeof *e);
    e->cell = -1;
    for (int i = 0; i < 4; i++)
        e->palDefaults[i] = i + 1;
    return gv->charCount++;
}

// ---------------------------------------------------------------- names

static std::string Trim(const std::string &s)
{
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

static std::string Lower(std::string s)
{
    for (char &c : s)
        c = (char)tolower((unsigned char)c);
    return s;
}

static bool EndsWithCase(const std::string &s, const char *end)
{
    size_t n = strlen(end);
    return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, end) == 0;
}

int SelectCharResolve(const char *name, char *dir, size_t dirSize, char *file, size_t fileSize)
{
    std::string n = name;
    size_t cut = n.find_last_of("/\\");
    std::string d = cut == std::string::npos ? "" : n.substr(0, cut + 1);
    std::string f = cut == std::string::npos ? n : n.substr(cut + 1);
    std::string directory;
    if (d.empty())
        directory = "chars/" + n + "/";
    else if (PathIsAbsolute(d.c_str()))
        directory = d;
    else
        directory = "chars/" + d;
    int zip = FileTypeFromExt(f.c_str()) == FILETYPE_ZIP;
    if (zip) {
        // The archive: chars/x.zip for a bare name, else the named file in
        // its directory; the definition inside it has the archive's name.
        std::string archive = d.empty() ? directory.substr(0, directory.size() - 1) : directory + f;
        f = f.substr(0, f.size() - 3) + "def";
        directory = archive;
    } else if (f.size() < 5 || !EndsWithCase(f, ".def")) {
        f += ".def";
    }
    if (directory.size() >= dirSize || f.size() >= fileSize || directory.size() + f.size() >= CHARINFO_PATH_LEN)
        return -1;
    StrCopy(dir, dirSize, directory.c_str());
    StrCopy(file, fileSize, f.c_str());
    return zip;
}

// ---------------------------------------------------------------- [Options]

// Up to ten integers, comma-separated; the rest of the row is 0.
static void CountsRead(TxtParseFile *tp, const char *key, int *counts)
{
    for (int i = 0; i < SELECT_ORDERS; i++)
        counts[i] = 0;
    const char *p = TxtParseValueGet(tp, key);
    for (int i = 0; p && *p && i < SELECT_ORDERS; i++) {
        char *end;
        long v = strtol(p, &end, 10);
        if (end == p)
            break;
        counts[i] = v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : (int)v;
        p = end;
        while (*p == ' ' || *p == '\t')
            p++;
        if (*p != ',')
            break;
        p++;
    }
}

// ---------------------------------------------------------------- [Characters]

struct CharLine {
    std::string name;
    std::string stage;
    std::string music;
    int stageFlag;
    int order;
};

static int LineError(const char *line, const char *what, const std::string &flag)
{
    GameErrorSet("\n[Characters]: On line: %s\n-- %s%s", line, what, flag.c_str());
    return 0;
}

static int CharLineParse(const char *line, CharLine *out)
{
    std::string text = line;
    size_t comma = text.find(',');
    out->name = Trim(text.substr(0, comma));
    std::string rest = comma == std::string::npos ? "" : text.substr(comma + 1);
    size_t at = rest.find_first_not_of(" \t");
    size_t end = at == std::string::npos ? std::string::npos : rest.find_first_of(" \t,", at);
    out->stage = at == std::string::npos ? "" : rest.substr(at, end == std::string::npos ? end : end - at);
    if (out->stage.size() > CHARINFO_PATH_LEN - 1)
        out->stage.resize(CHARINFO_PATH_LEN - 1);
    rest = end == std::string::npos ? "" : rest.substr(end);

    int include = -1;
    out->music.clear();
    out->order = 0;
    size_t from = 0;
    while (from <= rest.size()) {
        size_t next = rest.find(',', from);
        std::string item = Lower(Trim(rest.substr(from, next == std::string::npos ? next : next - from)));
        from = next == std::string::npos ? rest.size() + 1 : next + 1;
        if (item.empty())
            continue;
        size_t eq = item.find('=');
        if (eq == std::string::npos) {
            // The missing '=' names the parameter in its message.
            GameErrorSet("\n[Characters]: On line: %s\n-- Param %s missing '='", line, item.c_str());
            return 0;
        }
        std::string flag = Trim(item.substr(0, eq)), value = Trim(item.substr(eq + 1));
        if (flag == "includestage") {
            include = atoi(value.c_str()) != 0;
        } else if (flag == "music") {
            out->music = value.substr(0, CHARINFO_PATH_LEN - 1);
        } else if (flag == "order") {
            int v = atoi(value.c_str());
            out->order = v <= 0 ? -1 : std::min(v - 1, SELECT_ORDERS - 1);
        } else {
            return LineError(line, "Unknown flag: ", flag);
        }
    }
    if (include < 0)
        include = !out->stage.empty() && strcasecmp(out->stage.c_str(), "random") != 0;
    out->stageFlag = include ? SELECT_STAGE_CHAR : 0;
    return 1;
}

// The character's definition as a parsed file; null when it cannot be opened.
// A zip character's archive stays open in *zip for its portraits.
static TxtParseFile *CharDefOpen(const char *dir, const char *file, int isZip, VFile **zip)
{
    *zip = nullptr;
    if (!isZip)
        return TxtParseOpen((std::string(dir) + file).c_str());
    VFile *vf = VFileOpenZip(dir, file);
    if (!vf)
        return nullptr;
    TxtParseFile *tp = vf->start ? TxtParseOpenVfile(vf) : nullptr;
    if (!tp) {
        if (vf->start)
            LogWrite("\n****************\nStream read error: %s in %s\n****************\n", file, dir);
        VFileClose(vf);
        return nullptr;
    }
    *zip = vf;
    return tp;
}

static SprSet *PortraitsRead(TxtParseFile *def, const char *dir, VFile *zip)
{
    if (TxtParseGroupSet(def, "Files") < 0)
        return nullptr;
    const char *sprite = TxtParseValueGet(def, "sprite");
    if (!sprite || !sprite[0])
        return nullptr;
    if (zip)
        return VFileZipLoad(zip, sprite) ? SprLoadSelectedStream(zip, portraitList) : nullptr;
    char path[CHARINFO_PATH_LEN * 2];
    PathJoin(path, sizeof path, dir, sprite);
    if (!FileExists(path))
        return nullptr;
    // Two images of a large file: read them where they lie.
    int buffered = SprReadLoadToMemory();
    SprReadSetLoadToMemory(0);
    SprSet *set = SprLoadSelected(path, portraitList);
    SprReadSetLoadToMemory(buffered);
    return set;
}

// The portraits; null when the sprite file has none.
static SprSet *PortraitsLoad(TxtParseFile *def, const char *dir, VFile *zip)
{
    SprSet *set = PortraitsRead(def, dir, zip);
    if (set && SprSetImageCount(set) == 0) {
        SprSetFree(set);
        set = nullptr;
    }
    return set;
}

int SelectCharInfoRead(TxtParseFile *def, char *name, size_t nameSize, int *palDefaults)
{
    if (nameSize > 0)
        name[0] = 0;
    for (int i = 0; i < 4; i++)
        palDefaults[i] = i + 1;
    if (TxtParseGroupSet(def, "Info") < 0)
        return 1;
    int ok = 1;
    const char *key = TxtParseValueGet(def, "displayname") ? "displayname" : "name";
    if (TxtParseValueGet(def, key) && !ParamGetQuoted(def, key, name, (int)nameSize, nullptr))
        ok = 0;
    int read[4] = {1, 2, 3, 4};
    TxtParseScan(def, "pal.defaults", "%i,%i,%i,%i", &read[0], &read[1], &read[2], &read[3]);
    for (int i = 0; i < 4; i++)
        if (read[i] >= 1 && read[i] <= CHAR_PALETTES)
            palDefaults[i] = read[i];
    return ok;
}

// One line of [Characters] into the grid cell; 0 fails the load.
static int CharLineRead(const char *line, SelectCell *cell, int cellIndex)
{
    CharLine cl;
    if (!CharLineParse(line, &cl))
        return 0;
    if (strcasecmp(cl.name.c_str(), "randomselect") == 0) {
        cell->charIndex = SELECT_CELL_RANDOM;
        return 1;
    }
    char dir[CHARINFO_PATH_LEN], file[CHARINFO_PATH_LEN];
    int isZip = SelectCharResolve(cl.name.c_str(), dir, sizeof dir, file, sizeof file);
    VFile *zip = nullptr;
    TxtParseFile *def = isZip < 0 ? nullptr : CharDefOpen(dir, file, isZip, &zip);
    if (!def)
        return 1;

    char name[CHARINFO_NAME_LEN];
    int defaults[4];
    int ok = SelectCharInfoRead(def, name, sizeof name, defaults);
    if (!ok)
        GameErrorAppend("\nError reading %s", file);
    int index = ok ? SelectCharAdd() : -1;
    if (ok && index < 0) {
        GameErrorSet("Out of memory");
        ok = 0;
    }
    if (ok) {
        CharInfo *e = &gv->charList[index];
        StrCopy(e->dir, sizeof e->dir, dir);
        StrCopy(e->defFile, sizeof e->defFile, file);
        StrCopy(e->displayName, sizeof e->displayName, name);
        StrCopy(e->stage, sizeof e->stage, cl.stage.c_str());
        StrCopy(e->music, sizeof e->music, cl.music.c_str());
        e->stageFlag = cl.stageFlag;
        e->order = cl.order;
        e->cell = cellIndex;
        memcpy(e->palDefaults, defaults, sizeof e->palDefaults);
        if (TxtParseGroupSet(def, "Arcade") >= 0) {
            TxtParseScan(def, "intro.storyboard", "%511s", e->introStoryboard);
            TxtParseScan(def, "ending.storyboard", "%511s", e->endingStoryboard);
        }
        SprSet *portraits = PortraitsLoad(def, dir, zip);
        if (TxtParseGroupSet(def, "Files") >= 0) {
            for (int n = 1; n <= CHAR_PALETTES; n++) {
                char key[8];
                snprintf(key, sizeof key, "pal%i", n);
                if (TxtParseValueGet(def, key))
                    e->palMask |= 1 << (n - 1);
            }
        }
        e->palFree = e->palMask;
        cell->charIndex = index;
        SprSetFree(cell->portraits);
        cell->portraits = portraits;
    }
    TxtParseClose(def);
    VFileClose(zip);
    return ok;
}

static int CharactersRead(TxtParseFile *tp, SelectInfo *si)
{
    if (TxtParseGroupSet(tp, "Characters") < 0) {
        GameErrorSet("Could not locate Characters group.");
        return 0;
    }
    for (int i = 0; i < si->cellCount; i++) {
        si->cells[i].charIndex = SELECT_CELL_EMPTY;
        SprSetFree(si->cells[i].portraits);
        si->cells[i].portraits = nullptr;
    }
    // Row by row; lines past the last cell are not read.
    int cell = 0;
    for (const char *line = TxtParseLineFirst(tp); line && cell < si->cellCount; line = TxtParseLineNext(tp), cell++)
        if (!CharLineRead(line, &si->cells[cell], cell))
            return 0;
    if (gv->charCount == 0) {
        // Every mode picks from the characters.
        GameErrorSet("\n[Characters]: No character could be found");
        return 0;
    }
    return 1;
}

// ---------------------------------------------------------------- stages

// Adds a stage unless the list has its path already. 1 when added or skipped,
// -1 when the file does not open, 0 when its name cannot be read.
static int StageAdd(const char *path, int flag, std::unordered_set<std::string> *seen)
{
    if (seen->count(path))
        return 1;
    TxtParseFile *tp = TxtParseOpen(path);
    if (!tp)
        return -1;
    SelectStage *st = &gv->stageList[gv->stageCount];
    memset(st, 0, sizeof *st);
    int ok = 1;
    if (TxtParseGroupSet(tp, "Info") >= 0 && TxtParseValueGet(tp, "name") &&
        !ParamGetQuoted(tp, "name", st->name, sizeof st->name, nullptr)) {
        GameErrorAppend("\nError getting stage name for %s", path);
        ok = 0;
    }
    TxtParseClose(tp);
    if (!ok)
        return 0;
    StrCopy(st->path, sizeof st->path, path);
    if (!st->name[0])
        StrCopy(st->name, sizeof st->name, path);
    st->flag = flag;
    seen->insert(path);
    gv->stageCount++;
    return 1;
}

static int StagesRead(TxtParseFile *tp)
{
    std::vector<std::string> extras;
    if (TxtParseGroupSet(tp, "ExtraStages") >= 0)
        for (const char *line = TxtParseLineFirst(tp); line; line = TxtParseLineNext(tp))
            if (line[0])
                extras.push_back(line);
    StageListFree();
    size_t room = extras.size() + (size_t)gv->charCount;
    gv->stageList = (SelectStage *)LibCalloc(room > 0 ? room : 1, sizeof(SelectStage));
    if (!gv->stageList) {
        GameErrorSet("Out of memory");
        return 0;
    }
    std::unordered_set<std::string> seen;
    for (int i = 0; i < gv->charCount; i++) {
        CharInfo *e = &gv->charList[i];
        if (!e->stageFlag || !e->stage[0])
            continue;
        int r = StageAdd(e->stage, SELECT_STAGE_CHAR, &seen);
        if (r == 0)
            return 0;
        if (r < 0)
            e->stage[0] = 0;
    }
    for (const std::string &path : extras)
        if (StageAdd(path.c_str(), 0, &seen) == 0)
            return 0;
    return 1;
}

// ---------------------------------------------------------------- the file

int SelectDefOpen(const char *name)
{
    TxtParseClose(selectFile);
    selectFile = nullptr;
    char full[CHARINFO_PATH_LEN];
    if (!FileFind(name, full, sizeof full, nullptr, 0)) {
        GameErrorSet("Couldn't find file for selection screen: %s\n", name);
        return 0;
    }
    if (!(selectFile = TxtParseOpen(full))) {
        GameErrorSet("Couldn't find file for selection screen: %s\n", name);
        return 0;
    }
    return 1;
}

int SelectDefLoad()
{
    TxtParseFile *tp = selectFile;
    selectFile = nullptr;
    SelectInfo *si = gv->motif ? &gv->motif->select : nullptr;
    if (!tp || !si || !si->cells) {
        TxtParseClose(tp);
        GameErrorSet("The select file needs an open file and the motif's grid");
        return 0;
    }
    int ok = 1;
    if (TxtParseGroupSet(tp, "Options") < 0) {
        GameErrorSet("Could not locate Options group.");
        ok = 0;
    } else {
        CountsRead(tp, "arcade.maxmatches", gv->arcadeMaxMatches);
        CountsRead(tp, "team.maxmatches", gv->teamMaxMatches);
    }
    ok = ok && CharactersRead(tp, si) && StagesRead(tp);
    TxtParseClose(tp);
    return ok;
}

// ---------------------------------------------------------------- arcade order

void ArcadeOrderBuild(int teamSize, const int *counts)
{
    int n = gv->charCount;
    int a = teamSize < 1 ? 1 : teamSize;
    std::vector<int> &order = gv->arcadeOrder;
    order.clear();
    gv->arcadeIndex = 0;
    if (n > 0 && gv->charList) {
        order.reserve((size_t)n + (size_t)SELECT_ORDERS * (a - 1) + 1);
        std::vector<int> list(n);
        for (int i = 0; i < n; i++)
            list[i] = i;
        for (int pass = 0; pass < 5; pass++)
            for (int i = 0; i < n; i++)
                std::swap(list[i], list[GameRandom() % n]);
        // Stable, as the neighbour swaps of a bubble sort are.
        std::stable_sort(list.begin(), list.end(),
                         [](int x, int y) { return gv->charList[x].order < gv->charList[y].order; });
        size_t at = 0;
        while (at < list.size() && gv->charList[list[at]].order < 0)
            at++;
        for (int o = 0; o < SELECT_ORDERS; o++) {
            size_t first = at;
            while (at < list.size() && gv->charList[list[at]].order == o)
                at++;
            long long size = (long long)(at - first);
            long long want = (long long)a * counts[o];
            if (want < 1 || size == 0)
                continue;
            long long taken = std::min(want, size);
            for (long long k = 0; k < taken; k++)
                order.push_back(list[first + (size_t)k]);
            for (; taken % a != 0; taken++)
                order.push_back(list[first + (size_t)(GameRandom() % size)]);
        }
    }
    order.push_back(-1);
}

static TeamInfo *OpponentTeam()
{
    if (gv->arcadeSide != 1 && gv->arcadeSide != 2)
        FatalExitf("Programmer's fault");
    return &gv->teams[2 - gv->arcadeSide];
}

static int GroupSize()
{
    int a = TeamMemberCount(OpponentTeam());
    return a < 1 ? 1 : a;
}

void ArcadeBuildOrder()
{
    TeamInfo *opp = OpponentTeam();
    int a = GroupSize();
    bool team = opp->mode != TEAM_MODE_SINGLE || a > 1;
    ArcadeOrderBuild(a, team ? gv->teamMaxMatches : gv->arcadeMaxMatches);
}

static int OrderAt(int i)
{
    const std::vector<int> &order = gv->arcadeOrder;
    return i >= 0 && (size_t)i < order.size() ? order[(size_t)i] : -1;
}

int ArcadeSetOpponents(int advance)
{
    TeamInfo *opp = OpponentTeam();
    int group[TEAM_ENTRY_MAX];
    int count = ArcadeGetOpponents(group);
    for (int j = 0; j < count; j++)
        CharPalComputerSet(TeamMemberAt(opp, j), group[j]);
    if (advance)
        ArcadeAdvance();
    return count > 0 ? group[count - 1] : -1;
}

int ArcadePeekOpponents()
{
    return ArcadeSetOpponents(0);
}

void ArcadeAdvance()
{
    gv->arcadeIndex += ArcadeNextTeamSize();
}

int ArcadeMatchesLeft()
{
    // The order's only -1 is its end mark.
    const std::vector<int> &order = gv->arcadeOrder;
    int left = (order.empty() ? 0 : (int)order.size() - 1) - gv->arcadeIndex;
    LIB_ASSERT(left >= 0);
    return left;
}

int ArcadeNextTeamSize()
{
    return std::min(GroupSize(), ArcadeMatchesLeft());
}

int ArcadeListOpponents(int *out, int which)
{
    // A group is as many as the computer team holds.
    int a = std::min(TeamMemberCount(OpponentTeam()), (int)TEAM_ENTRY_MAX);
    int start = gv->arcadeIndex + (which ? a : 0);
    int count = 0;
    while (count < a && OrderAt(start + count) >= 0) {
        out[count] = OrderAt(start + count);
        count++;
    }
    return count;
}

int ArcadeGetOpponents(int *out)
{
    return ArcadeListOpponents(out, 0);
}

int ArcadeGetFollowingOpponents(int *out)
{
    return ArcadeListOpponents(out, 1);
}
