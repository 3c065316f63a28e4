// Test kit: a fixture with a fresh game record in its own temporary directory, and the status log as the tests read it.
#include "support/recordkit.h"

#include "lib/textbuf.h"
#include "velok/core/common.h"
#include "velok/core/gamevars.h"

void GameVarsTest::SetUp()
{
    TempDirTest::SetUp();
    TestAllegroStart();
    LogStateReset();
    gv = new GameVars();
}

void GameVarsTest::TearDown()
{
    TextBufFree(gv->warnLog);
    delete gv;
    gv = nullptr;
    LogStateReset();
    TempDirTest::TearDown();
}

void GameVarsTest::CommandLineNone()
{
    for (int i = 0; i < 4; i++)
        gv->cmdAi[i] = gv->cmdColor[i] = gv->cmdLife[i] = gv->cmdPower[i] = -1;
}

std::string GameLogClosed()
{
    LogWrite("close log");
    std::string text = TestLogBody(ReadFileText("velokw.log"));
    return text.substr(0, text.rfind("\nLog file successfully closed.\n"));
}

std::string GameWarnings()
{
    TextBuf *r = gv->warnLog;
    std::string out;
    for (int i = r->oldest; i != r->current; i = (i + 1) % r->count)
        out += std::string(r->lines[i]) + "\n";
    return out + r->lines[r->current];
}
