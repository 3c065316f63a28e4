// Character definition and constants: the plain and zip loaders of a character's files into its CharData.
#include "velok/player/chardef.h"

#include <cstring>
#include <string>

#include "lib/anim-lib.h"
#include "lib/clsn.h"
#include "lib/libbase.h"
#include "lib/pal.h"
#include "lib/spr-lib.h"
#include "lib/snd-lib.h"
#include "lib/spr-read.h"
#include "lib/textbuf.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"
#include "platform/pfile.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"
#include "velok/player/p-ai.h"
#include "velok/script/statedef.h"

// Where a character's named files come from.
struct CharSource {
    const char *dir;
    bool zip;      // the zip loader
    bool entries;  // files are entries of the archive dir
};

static std::string JoinPath(const char *dir, const char *name)
{
    if (PathIsAbsolute(name) || !dir || !*dir)
        return name;
    std::string p = dir;
    char last = p.back();
    if (last != '/' && last != '\\')
        p += '/';
    return p + name;
}

// An entry of the archive, or null when it is missing.
static VFile *ZipEntryOpen(const char *archive, const char *name)
{
    VFile *vf = VFileOpenZip(archive, name);
    if (vf && !vf->start) {
        VFileClose(vf);
        return nullptr;
    }
    return vf;
}

static VFile *SourceOpen(const CharSource *src, const char *name)
{
    if (src->entries)
        return ZipEntryOpen(src->dir, name);
    return VFileOpen(JoinPath(src->dir, name).c_str(), "rb");
}

// A text file of the character. The plain loader sets its own error text;
// the zip loader appends why the file failed.
static TxtParseFile *SourceText(const CharSource *src, const char *name)
{
    if (!src->zip)
        return TxtParseOpen(JoinPath(src->dir, name).c_str());
    VFile *vf = SourceOpen(src, name);
    if (!vf) {
        GameErrorAppend("\nCould not open file: %s", name);
        return nullptr;
    }
    TxtParseFile *tp = TxtParseOpenVfile(vf);
    VFileClose(vf);
    if (!tp)
        GameErrorAppend("\nError reading in file: %s", name);
    return tp;
}

static void ZipLog(const CharSource *src, const char *text)
{
    if (src->zip)
        LogWrite("%s", text);
}

// ---------------------------------------------------------------- constants

static void OptInt(TxtParseFile *tp, const char *key, int *out)
{
    TxtParseIntGet(tp, key, out);
}

static void OptFloat(TxtParseFile *tp, const char *key, float *out)
{
    TxtParseFloatGet(tp, key, out);
}

int PlayerConstantsLoad(CharData *cd, TxtParseFile *tp)
{
    PlayerConst *c = &cd->consts;
    if (TxtParseGroupSet(tp, "Data") < 0) {
        GameErrorSet("Can't access Data");
        return 0;
    }
    float fallUp = 0.0f;
    int have = TxtParseIntGet(tp, "life", &c->life) + TxtParseIntGet(tp, "attack", &c->attack) +
               TxtParseIntGet(tp, "defence", &c->defence) + TxtParseFloatGet(tp, "fall.defence_up", &fallUp) +
               TxtParseIntGet(tp, "liedown.time", &c->liedownTime) + TxtParseIntGet(tp, "airjuggle", &c->airJuggle);
    if (have != 6) {
        GameErrorSet("Can't load Data constants");
        return 0;
    }
    if (c->defence <= 0) {
        LogWrite("Constant defence = %i is not above 0: using 100\n", c->defence);
        c->defence = 100;
    }
    OptInt(tp, "volume", &cd->volume);
    c->power = 3000;
    OptInt(tp, "power", &c->power);
    if (fallUp <= -100.0f) {
        LogWrite("Constant fall.defence_up = %g is -100 or less: using 1.0\n", fallUp);
        c->fallDefenceUp = 1.0f;
    } else {
        c->fallDefenceUp = 100.0f / (fallUp + 100.0f);
    }
    OptInt(tp, "sparkno", &c->sparkNo);
    OptInt(tp, "guard.sparkno", &c->guardSparkNo);
    c->koEcho = 1;
    OptInt(tp, "ko.echo", &c->koEcho);
    c->intPersistIndex = 60;
    OptInt(tp, "IntPersistIndex", &c->intPersistIndex);
    c->intPersistIndex = c->intPersistIndex < 0 ? 0 : c->intPersistIndex > 60 ? 60 : c->intPersistIndex;
    c->floatPersistIndex = 40;
    OptInt(tp, "FloatPersistIndex", &c->floatPersistIndex);
    c->floatPersistIndex = c->floatPersistIndex < 0 ? 0 : c->floatPersistIndex > 40 ? 40 : c->floatPersistIndex;

    if (TxtParseGroupSet(tp, "Size") < 0) {
        GameErrorSet("Can't access Size constants");
        return 0;
    }
    c->xScale = 1.0f;
    c->yScale = 1.0f;
    c->attackDist = 160;
    c->projAttackDist = 90;
    c->attackZWidthFront = 4;
    c->attackZWidthBack = 4;
    c->zWidth = 3;
    c->height = 60;
    c->headPosX = -5;
    c->headPosY = -90;
    c->midPosX = -5;
    c->midPosY = -60;
    have = TxtParseIntGet(tp, "ground.back", &c->groundBack) + TxtParseIntGet(tp, "ground.front", &c->groundFront) +
           TxtParseIntGet(tp, "air.back", &c->airBack) + TxtParseIntGet(tp, "air.front", &c->airFront);
    if (have != 4) {
        GameErrorSet("Can't load Size constants");
        return 0;
    }
    OptFloat(tp, "xscale", &c->xScale);
    OptFloat(tp, "yscale", &c->yScale);
    OptInt(tp, "attack.dist", &c->attackDist);
    OptInt(tp, "proj.attack.dist", &c->projAttackDist);
    TxtParseIntPairGet(tp, "attack.z.width", &c->attackZWidthFront, &c->attackZWidthBack);
    OptInt(tp, "z.width", &c->zWidth);
    OptInt(tp, "height", &c->height);
    OptInt(tp, "proj.doscale", &c->projDoScale);
    TxtParseIntPairGet(tp, "head.pos", &c->headPosX, &c->headPosY);
    TxtParseIntPairGet(tp, "mid.pos", &c->midPosX, &c->midPosY);
    OptInt(tp, "shadowoffset", &c->shadowOffset);
    TxtParseIntPairGet(tp, "draw.offset", &c->drawOffsetX, &c->drawOffsetY);

    if (TxtParseGroupSet(tp, "Velocity") < 0) {
        GameErrorSet("Can't access Velocity constants");
        return 0;
    }
    OptFloat(tp, "walk.fwd", &c->walkFwd);
    OptFloat(tp, "walk.back", &c->walkBack);
    OptFloat(tp, "walk.up", &c->walkUp);
    OptFloat(tp, "walk.down", &c->walkDown);
    TxtParseFloatPairGet(tp, "run.fwd", &c->runFwdX, &c->runFwdY);
    TxtParseFloatPairGet(tp, "run.back", &c->runBackX, &c->runBackY);
    TxtParseFloatPairGet(tp, "run.down", &c->runDownX, &c->runDownY);
    TxtParseFloatPairGet(tp, "run.up", &c->runUpX, &c->runUpY);
    TxtParseFloatPairGet(tp, "jump.neu", &c->jumpNeuX, &c->jumpY);
    OptFloat(tp, "jump.fwd", &c->jumpFwdX);
    OptFloat(tp, "jump.back", &c->jumpBackX);
    OptFloat(tp, "jump.up", &c->jumpUpX);
    OptFloat(tp, "jump.down", &c->jumpDownX);
    c->airJumpY = c->jumpY;
    c->airJumpNeuX = c->jumpNeuX;
    c->runJumpFwdX = c->airJumpFwdX = c->jumpFwdX;
    c->runJumpBackX = c->airJumpBackX = c->jumpBackX;
    c->runJumpUpX = c->airJumpUpX = c->jumpUpX;
    c->runJumpDownX = c->airJumpDownX = c->jumpDownX;
    c->runJumpY = 0.0f;
    TxtParseFloatPairGet(tp, "runjump.fwd", &c->runJumpFwdX, &c->runJumpY);
    OptFloat(tp, "runjump.back", &c->runJumpBackX);
    OptFloat(tp, "runjump.up", &c->runJumpUpX);
    OptFloat(tp, "runjump.down", &c->runJumpDownX);
    TxtParseFloatPairGet(tp, "airjump.neu", &c->airJumpNeuX, &c->airJumpY);
    OptFloat(tp, "airjump.fwd", &c->airJumpFwdX);
    OptFloat(tp, "airjump.back", &c->airJumpBackX);
    OptFloat(tp, "airjump.up", &c->airJumpUpX);
    OptFloat(tp, "airjump.down", &c->airJumpDownX);

    if (TxtParseGroupSet(tp, "Movement") < 0) {
        GameErrorSet("Can't access Movement constants");
        return 0;
    }
    have = TxtParseFloatGet(tp, "yaccel", &c->yAccel) + TxtParseFloatGet(tp, "stand.friction", &c->standFriction) +
           TxtParseFloatGet(tp, "crouch.friction", &c->crouchFriction);
    if (have != 3) {
        GameErrorSet("Can't load movement constants");
        return 0;
    }
    OptInt(tp, "airjump.num", &c->airJumpNum);
    OptInt(tp, "airjump.height", &c->airJumpHeight);
    return 1;
}

// ---------------------------------------------------------------- loading

void CharDataFree(CharData *cd)
{
    if (!cd)
        return;
    if (cd->ai) {
        AIInfoFree(cd->ai);
        MemFree(cd->ai);
    }
    CmdSetFree(&cd->cmds);
    SndSetFree(cd->sounds);
    StateDefListFree(cd->states);
    SprSetFree(cd->spr);
    AnimSetFree(cd->anims);
    MemFree(cd);
}

// Explains a failing state file by the character's engine version date.
static void VersionExplain(const char *file, const CharData *cd)
{
    GameErrorAppend("\nError in %s", file);
    int cmp = DateCompare(cd->engineVersion[0], cd->engineVersion[1], cd->engineVersion[2], VERSION_MONTH,
                          VERSION_DAY, VERSION_YEAR);
    if (cmp < 0)
        GameErrorAppend("\nCharacter needs to be updated. See docs/incompt*.txt.");
    else if (cmp > 0)
        GameErrorAppend("\nCharacter is not designed to run on this version of V.E.L.O.K.");
}

// Opens a state file of the character; the plain loader's open failure text.
static TxtParseFile *StateFileOpen(const CharSource *src, const char *name)
{
    TxtParseFile *tp = SourceText(src, name);
    if (!tp && !src->zip)
        GameErrorSet("Can't open file: %s", name);
    return tp;
}

// The "name" key of Files, cut to the buffer; 0 when absent.
static int FileKey(TxtParseFile *def, const char *key, char *buf, size_t size)
{
    const char *v = TxtParseValueGet(def, key);
    if (!v)
        return 0;
    StrCopy(buf, size, v);
    return 1;
}

static int InfoRead(TxtParseFile *def, CharData *cd)
{
    if (TxtParseGroupSet(def, "Info") < 0) {
        GameErrorSet("Can't access Info");
        return 0;
    }
    if (!ParamGetQuoted(def, "name", cd->name, sizeof cd->name, nullptr))
        return 0;
    if (TxtParseValueGet(def, "displayname")) {
        if (!ParamGetQuoted(def, "displayname", cd->displayName, sizeof cd->displayName, nullptr))
            return 0;
    } else {
        StrCopy(cd->displayName, sizeof cd->displayName, cd->name);
    }
    if (TxtParseValueGet(def, "author") &&
        !ParamGetQuoted(def, "author", cd->author, sizeof cd->author, nullptr))
        return 0;
    TxtParseScan(def, "versiondate", "%i,%i,%i", &cd->versionDate[0], &cd->versionDate[1], &cd->versionDate[2]);
    TxtParseScan(def, "velokversion", "%i,%i,%i", &cd->engineVersion[0], &cd->engineVersion[1],
                 &cd->engineVersion[2]);
    return 1;
}

// A Player record that only serves the compilers: command names and the name.
static Player *CompilePlayer(CharData *cd)
{
    Player *pl = (Player *)LibCalloc(1, sizeof(Player));
    if (!pl)
        return nullptr;
    pl->charData = cd;
    pl->cmdSet = &cd->cmds;
    pl->consts = cd->consts;
    StrCopy(pl->name, sizeof pl->name, cd->name);
    return pl;
}

static int StatesLoad(const CharSource *src, TxtParseFile *def, CharData *cd, TxtParseFile *cns, const char *cnsName,
                      Player *pl)
{
    char name[512];
    TxtParseFile *st = cns;
    if (!FileKey(def, "st", name, sizeof name)) {
        TxtParseClose(cns);
        return 0;
    }
    if (strcmp(name, cnsName) != 0) {
        TxtParseClose(cns);
        st = StateFileOpen(src, name);
        if (!st) {
            VersionExplain(name, cd);
            return 0;
        }
    }
    cd->states = StateDefListLoad(st, pl);
    TxtParseClose(st);
    if (!cd->states) {
        VersionExplain(name, cd);
        return 0;
    }
    ZipLog(src, "\nTrying to load extra states...");
    for (int i = 0; i < CHAR_ST_FILES; i++) {
        char key[8];
        snprintf(key, sizeof key, "st%i", i);
        TxtParseGroupSet(def, "Files");
        if (!FileKey(def, key, name, sizeof name))
            continue;
        TxtParseFile *more = StateFileOpen(src, name);
        int ok = more && StateDefListAppend(cd->states, more, pl);
        TxtParseClose(more);
        if (!ok) {
            VersionExplain(name, cd);
            return 0;
        }
    }
    ZipLog(src, "OK.\n");

    ZipLog(src, "\nTrying extra commands...");
    TxtParseGroupSet(def, "Files");
    FileKey(def, "cmd", name, sizeof name);
    TxtParseFile *cmd = SourceText(src, name);
    if (!cmd && !src->zip)
        GameErrorSet("Can't open file: %s", name);
    int ok = cmd && StateDefListAppend(cd->states, cmd, pl);
    TxtParseClose(cmd);
    if (!ok) {
        GameErrorAppend("\nError in %s", name);
        return 0;
    }
    ZipLog(src, "OK.");

    TxtParseGroupSet(def, "Files");
    if (FileKey(def, "stcommon", name, sizeof name)) {
        ZipLog(src, "\nTrying to load common states...");
        TxtParseFile *common;
        if (src->entries) {
            VFile *vf = ZipEntryOpen(src->dir, name);
            common = vf ? TxtParseOpenVfile(vf) : nullptr;
            VFileClose(vf);
        } else {
            common = TxtParseOpen(JoinPath(src->dir, name).c_str());
        }
        if (!common)
            common = TxtParseOpen(("data/" + std::string(name)).c_str());
        ok = common && StateDefListAppend(cd->states, common, pl);
        TxtParseClose(common);
        if (!ok) {
            GameErrorAppend("\nError in %s", name);
            return 0;
        }
        ZipLog(src, "OK.");
    }
    return 1;
}

static void AiFileLoad(const CharSource *src, TxtParseFile *def, CharData *cd);

static int GraphicsLoad(const CharSource *src, TxtParseFile *def, CharData *cd)
{
    char name[512];
    TxtParseGroupSet(def, "Files");
    ZipLog(src, "\nTrying to load sff...");
    if (!FileKey(def, "sprite", name, sizeof name)) {
        GameErrorSet("Missing sprite file");
        return 0;
    }
    if (src->zip) {
        VFile *vf = SourceOpen(src, name);
        cd->spr = vf ? SprLoadStream(vf) : nullptr;
        VFileClose(vf);
        if (!vf) {
            GameErrorAppend("\nCould not open file: %s", name);
            return 0;
        }
    } else {
        cd->spr = SprLoad(JoinPath(src->dir, name).c_str());
    }
    if (!cd->spr) {
        GameErrorSet("Can't load %s", name);
        return 0;
    }
    ZipLog(src, "OK.");

    ZipLog(src, "\nTrying to load air...");
    if (!FileKey(def, "anim", name, sizeof name)) {
        GameErrorSet("Missing anim file");
        return 0;
    }
    // The collision-box scale belongs to this thread's loads only, and is
    // put back whatever the load does.
    ClsnScaleSet(cd->consts.xScale, cd->consts.yScale);
    TxtParseFile *air = SourceText(src, name);
    cd->anims = air ? AnimSetParse(air) : nullptr;
    TxtParseClose(air);
    ClsnScaleSet(1.0f, 1.0f);
    if (!cd->anims) {
        if (src->zip && !air)
            return 0;
        GameErrorSet("Can't load %s", name);
        return 0;
    }
    ZipLog(src, "OK.");

    // Sounds only while sound is on; a missing key is no failure.
    TxtParseGroupSet(def, "Files");
    if (SndGetState() && FileKey(def, "sound", name, sizeof name)) {
        ZipLog(src, "\nTrying to load snd...");
        if (src->zip) {
            VFile *vf = SourceOpen(src, name);
            cd->sounds = vf ? SndFileRead(vf) : nullptr;
            VFileClose(vf);
        } else {
            cd->sounds = SndSetLoad(JoinPath(src->dir, name).c_str());
        }
        if (!cd->sounds) {
            GameErrorSet("Can't load %s", name);
            return 0;
        }
        ZipLog(src, "OK.");
    }

    ZipLog(src, "\nTrying to load pals...");
    for (int n = 1; n <= CHAR_PAL_FILES; n++) {
        char key[8];
        snprintf(key, sizeof key, "pal%i", n);
        TxtParseGroupSet(def, "Files");
        if (!FileKey(def, key, name, sizeof name))
            continue;
        unsigned char rgba[PAL_MAX_COLORS * 4];
        memset(rgba, 0, sizeof rgba);
        int ok;
        if (src->zip) {
            VFile *vf = SourceOpen(src, name);
            int isEntry = vf && vf->kind == VFILE_ZIP;
            ok = vf && PalActRead(rgba, vf);
            // The reader closes a file that is not a zip entry itself.
            if (isEntry)
                VFileClose(vf);
        } else {
            ok = PalActLoad(rgba, JoinPath(src->dir, name).c_str());
        }
        if (!ok) {
            GameErrorSet("Can't load %s", name);
            return 0;
        }
        Palette pal;
        memset(&pal, 0, sizeof pal);
        if (!PalInit(&pal, PAL_MAX_COLORS, rgba, 1) || !SprSetAddPal(cd->spr, &pal, 1, n - 1)) {
            PalFree(&pal);
            GameErrorSet("Can't load %s", name);
            return 0;
        }
    }
    ZipLog(src, "OK.\n");
    AiFileLoad(src, def, cd);
    return 1;
}

// The learned data is read from disk in either loader. A file that is there
// but cannot be read is only warned about and left as it is; a missing one
// gets empty learned data, so that learning can write it later (a character
// in an archive has no directory to write into).
static void AiFileLoad(const CharSource *src, TxtParseFile *def, CharData *cd)
{
    char name[CHAR_AI_FILE_LEN];
    if (!FileKey(def, "ai", name, sizeof name))
        return;
    StrCopy(cd->aiFile, sizeof cd->aiFile, name);
    std::string path = JoinPath(src->dir, name);
    AIInfo *info = (AIInfo *)LibCalloc(1, sizeof(AIInfo));
    if (!info)
        return;
    // The reason of a failed read is no failure of the character.
    std::string error = GameErrorText();
    if (AIInfoLoad(path.c_str(), info)) {
        cd->ai = info;
        return;
    }
    GameErrorSet("%s", error.c_str());
    if (FileExists(path.c_str())) {
        char text[CHAR_AI_FILE_LEN + 64];
        snprintf(text, sizeof text, "Ignoring invalid AI file: %s\n", name);
        WarnLogText(text);
    } else if (src->dir && PlatIsDirectory(src->dir)) {
        AIInfoFree(info);
        if (AIInfoInit(info)) {
            cd->ai = info;
            return;
        }
    }
    AIInfoFree(info);
    MemFree(info);
}

static CharData *DefLoad(const CharSource *src, TxtParseFile *def)
{
    CharData *cd = (CharData *)LibCalloc(1, sizeof(CharData));
    if (!cd) {
        GameErrorSet("Out of memory");
        return nullptr;
    }
    Player *pl = nullptr;
    TxtParseFile *cns = nullptr;
    char name[512];
    char cnsName[512];
    if (!InfoRead(def, cd))
        goto fail;
    if (TxtParseGroupSet(def, "Files") < 0) {
        GameErrorSet("Can't access Files");
        goto fail;
    }

    ZipLog(src, "\nTrying to load cmd...");
    if (!FileKey(def, "cmd", name, sizeof name)) {
        GameErrorSet("Missing cmd file");
        goto fail;
    }
    {
        TxtParseFile *cmd = SourceText(src, name);
        if (!cmd) {
            if (!src->zip)
                GameErrorSet("Can't open file");
            GameErrorAppend("\nError in %s", name);
            goto fail;
        }
        int ok = CmdDefLoad(cmd, &cd->cmds);
        TxtParseClose(cmd);
        if (!ok) {
            GameErrorAppend("\nError in %s", name);
            goto fail;
        }
    }
    ZipLog(src, "OK.");

    ZipLog(src, "\nTrying to load cns...");
    TxtParseGroupSet(def, "Files");
    if (!FileKey(def, "cns", cnsName, sizeof cnsName)) {
        GameErrorSet("Missing cns file");
        goto fail;
    }
    cns = StateFileOpen(src, cnsName);
    if (!cns)
        goto fail;
    if (!PlayerConstantsLoad(cd, cns)) {
        GameErrorAppend("\nError in %s", cnsName);
        TxtParseClose(cns);
        goto fail;
    }
    ZipLog(src, "OK.");

    pl = CompilePlayer(cd);
    if (!pl) {
        TxtParseClose(cns);
        GameErrorSet("Out of memory");
        goto fail;
    }
    TxtParseGroupSet(def, "Files");
    if (!StatesLoad(src, def, cd, cns, cnsName, pl))
        goto fail;
    CmdNamesFree(&cd->cmds);
    if (!GraphicsLoad(src, def, cd))
        goto fail;
    MemFree(pl);
    return cd;

fail:
    MemFree(pl);
    CharDataFree(cd);
    return nullptr;
}

CharData *PlayerDefLoad(const char *dir, FILE *def)
{
    long pos = ftell(def);
    VFile vf;
    memset(&vf, 0, sizeof vf);
    vf.kind = VFILE_DISK;
    vf.file = def;
    TxtParseFile *tp = TxtParseOpenVfile(&vf);
    if (!tp) {
        GameErrorSet("Can't read definition file");
        return nullptr;
    }
    CharSource src = {dir, false, false};
    CharData *cd = DefLoad(&src, tp);
    TxtParseClose(tp);
    if (pos >= 0)
        fseek(def, pos, SEEK_SET);
    return cd;
}

CharData *PlayerDefLoadZip(const char *dir, VFile *def)
{
    long pos = VFileTell(def);
    TxtParseFile *tp = TxtParseOpenVfile(def);
    if (!tp) {
        GameErrorSet("Can't read definition file");
        return nullptr;
    }
    CharSource src = {dir, true, def->kind == VFILE_ZIP};
    CharData *cd = DefLoad(&src, tp);
    TxtParseClose(tp);
    if (pos >= 0)
        VFileSeek(def, pos, 0);
    return cd;
}

CharData *PlayerDefLoadAny(const char *dir, const char *defName)
{
    if (FileTypeFromExt(dir) == FILETYPE_ZIP) {
        VFile *vf = ZipEntryOpen(dir, defName);
        if (!vf) {
            GameErrorSet("Can't open %s", defName);
            return nullptr;
        }
        LogWrite("\nUsing zip loader on %s\n", dir);
        CharData *cd = PlayerDefLoadZip(dir, vf);
        VFileClose(vf);
        return cd;
    }
    std::string path = JoinPath(dir, defName);
    FILE *f = PlatFileOpen(path.c_str(), "rt");
    if (!f) {
        GameErrorSet("Can't open %s", defName);
        return nullptr;
    }
    LogWrite("\nUsing original loader on %s\n", path.c_str());
    CharData *cd = PlayerDefLoad(dir, f);
    fclose(f);
    return cd;
}
