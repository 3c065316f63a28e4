// Fuzz target: expressions with triggers, compiled without a player and for a player, then evaluated for every player of a four-player field.
#include <string>

#include "fuzzkit.h"
#include "support/fieldkit.h"
#include "velok/script/expr.h"

// Input: one byte for the wanted type (0 any, 1 int, 2 float), then the text.
int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({"alformed expression", "Type mismatch detected", "Expression stack overflow",
               "Expression stack underflow"});
    static bool field = [] {
        FuzzGameStart();
        return FuzzFieldMake(FieldKitChar(), 4) == 1;
    }();
    if (!field || size < 1)
        return 0;
    int wanted = data[0] % 3;
    std::string text((const char *)data + 1, size - 1);
    FuzzRun([&] {
        Expr bare{}, own{}, copy{};
        const char *stop = nullptr;
        ExprCompile(text.c_str(), &bare, nullptr, &stop, wanted);
        int ok = ExprCompile(text.c_str(), &own, FuzzPlayer(1), nullptr, wanted);
        if (ok) {
            char dump[512];
            ExprDump(dump, sizeof dump, &own, FuzzPlayer(1));
            ExprCopy(&copy, &own);
        }
        ExprFree(&own);
        for (int slot = 1; ok && slot <= 4; slot++) {
            int i;
            float f;
            Player *pl = FuzzPlayer(slot);
            FuzzRun([&] { ExprEvaluate(pl, &copy, &i, &f); });
            FuzzRun([&] { ExprEvalInt(pl, &copy, 1); });
            FuzzRun([&] { ExprEvalFloat(pl, &copy); });
        }
        ExprFree(&copy);
        ExprFree(&bare);
    });
    return 0;
}
