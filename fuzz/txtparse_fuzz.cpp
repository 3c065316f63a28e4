// Fuzz target: definition files opened from memory and from disk, walked group by group with every reader, then edited and saved.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzzkit.h"
#include "support/testkit.h"
#include "lib/libbase.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"

// The keys of the current group as the file writes them (text before "=").
static std::vector<std::string> GroupKeys(TxtParseFile *tp)
{
    std::vector<std::string> keys;
    for (const char *line = TxtParseLineFirst(tp); line && keys.size() < 4; line = TxtParseLineNext(tp)) {
        const char *eq = strchr(line, '=');
        if (eq)
            keys.emplace_back(line, eq - line);
    }
    return keys;
}

// Deep: every reader on the first keys of the first groups; else only the
// group and line walk.
static void Walk(TxtParseFile *tp, bool deep)
{
    char buffer[300];
    int groups = 0;
    for (const char *name = TxtParseGroupFirst(tp); name && groups < 16; name = TxtParseGroupNext(tp), groups++) {
        std::string group = name;
        std::vector<std::string> keys;
        if (deep)
            keys = GroupKeys(tp);
        for (const std::string &k : keys) {
            const char *key = k.c_str();
            int i;
            float f;
            char s[256], w[32], c;
            long l;
            unsigned long u;
            unsigned ui;
            double d;
            TxtParseValueGet(tp, key);
            TxtParseValueGetNext(tp, key);
            TxtParseIntGet(tp, key, &i);
            TxtParseFloatGet(tp, key, &f);
            TxtParseScan(tp, key, "%i,%f,%255s", &i, &f, s);
            TxtParseScan(tp, key, "%c %d %x %o %u", &c, &i, &ui, &ui, &ui);
            TxtParseScan(tp, key, "%ld %lu %lg %e %g", &l, &u, &d, &f, &f);
            TxtParseScan(tp, key, "%31s %s", w, s);
            MemFree(TxtParseValueDup(tp, key));
            TxtParseKeyFind(tp, key);
            TxtParseKeyFindNth(tp, key, 2);
            TxtParseKeyLine(tp, key);
        }
        TxtParseGroupEnd(tp);
        TxtParseLineLast(tp);
        while (TxtParseLinePrev(tp)) {
        }
        while (TxtParseLineNextCopy(tp, buffer, sizeof buffer)) {
        }
        TxtParseGroupText(tp, buffer, sizeof buffer);
        TxtParseGroupRewind(tp);
        TxtParseGroupSet(tp, group.c_str());
        TxtParseGroupCount(tp, group.c_str());
    }
    TxtParseGroupReset(tp);
    TxtParseGroupSetIndex(tp, groups / 2);
    TxtParseGroupSet(tp, "Statedef 200");
    TxtParseGroupCount(tp, "State");
    TxtParseClose(TxtParseDup(tp));
}

static void Edit(const std::string &path, const std::string &original)
{
    TxtParseFile *tp = TxtParseOpenEdit(path.c_str());
    if (!tp)
        return;
    // Saved untouched, the file comes back byte for byte (every line written
    // with its end, so a last line without one gains the file's). Lines are C
    // strings: a zero byte ends its line's text, so such files are left out.
    if (!TxtParseSave(tp, "same.txt"))
        abort();
    std::string saved = ReadFileText("same.txt");
    bool same = saved == original;
    if (!original.empty() && original.back() != '\n')
        same = saved == original + "\n" || saved == original + "\r\n";
    if (!same && original.find('\0') == std::string::npos) {
        fprintf(stderr, "fuzz: an untouched file saved differently\n");
        abort();
    }
    int n = 0;
    for (const char *name = TxtParseGroupFirst(tp); name && n < 8; name = TxtParseGroupNext(tp), n++) {
        std::vector<std::string> keys = GroupKeys(tp);
        TxtParseGroupRewind(tp);
        for (const std::string &k : keys) {
            TxtParseValueSet(tp, k.c_str(), "%s-%d", k.c_str(), n);
            TxtParseValueSetNth(tp, k.c_str(), 2, "%d", n);
        }
        switch (n % 4) {
        case 0: TxtParseGroupRename(tp, "Group %d", n); break;
        case 1: TxtParseLineInsert(tp, "inserted = 1 ; line"); break;
        case 2:
            TxtParseLineFirst(tp);
            TxtParseLineDelete(tp);
            break;
        case 3: TxtParseGroupClear(tp); break;
        }
        TxtParseRawLineIndex(tp, n);
    }
    TxtParseSave(tp, "edited.txt");
    TxtParseClose(tp);
    if (TxtParseFile *again = TxtParseOpen("edited.txt")) {
        Walk(again, false);
        TxtParseClose(again);
    }
}

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    FuzzRun([&] {
        VFile *vf = FuzzMemVFile(data, size);
        if (TxtParseFile *tp = TxtParseOpenVfile(vf)) {
            Walk(tp, true);
            TxtParseClose(tp);
        }
        VFileClose(vf);
        std::string path = FuzzWrite("in.def", data, size);
        if (TxtParseFile *tp = TxtParseOpen(path.c_str())) {
            Walk(tp, false);
            TxtParseClose(tp);
        }
        Edit(path, std::string((const char *)data, size));
    });
    return 0;
}
