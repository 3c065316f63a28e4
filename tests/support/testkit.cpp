// Test kit: temporary working directories, file helpers, output capture, Allegro start.
#include "support/testkit.h"

#include <allegro.h>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

void TempDirTest::SetUp()
{
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    oldDir = cwd;
    std::string tmpl = (std::filesystem::temp_directory_path() / "velok-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
    ASSERT_EQ(chdir(dir.c_str()), 0);
}

void TempDirTest::TearDown()
{
    if (!oldDir.empty()) {
        EXPECT_EQ(chdir(oldDir.c_str()), 0);
    }
    if (!dir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
}

std::string ReadFileText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFileText(const std::string &path, const std::string &content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
}

void MakeDirs(const std::string &path)
{
    std::filesystem::create_directories(path);
}

void TestAllegroStart()
{
    static bool started = false;
    if (!started) {
        install_allegro(SYSTEM_NONE, &errno, atexit);
        started = true;
    }
}

bool TestDisplayStart()
{
    static bool started = install_allegro(SYSTEM_AUTODETECT, &errno, atexit) == 0;
    return started;
}

void CaptureStdoutBegin() { testing::internal::CaptureStdout(); }
std::string CaptureStdoutEnd() { return testing::internal::GetCapturedStdout(); }
void CaptureStderrBegin() { testing::internal::CaptureStderr(); }
std::string CaptureStderrEnd() { return testing::internal::GetCapturedStderr(); }
