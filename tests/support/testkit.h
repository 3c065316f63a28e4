// Test kit: temporary working directories, file helpers, output capture, Allegro start.
#pragma once
#include <gtest/gtest.h>
#include <string>

// Each test runs in a fresh empty directory that is its working directory,
// removed with everything in it afterwards.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string dir;     // absolute path of the temporary directory
    std::string oldDir;  // working directory before the test
};

std::string ReadFileText(const std::string &path);
// The status log's text after its header lines (all of it without them).
std::string TestLogBody(const std::string &log);
void WriteFileText(const std::string &path, const std::string &content);
// Creates the directories of a relative path ("a/b/c").
void MakeDirs(const std::string &path);

// Starts Allegro once per process with no system driver: memory bitmaps,
// save_pcx and the no-sound drivers work; no timer, keyboard or screen.
void TestAllegroStart();
// Starts Allegro once per process with the X11 system driver, for the display
// tests that run under xvfb; false when there is no display.
bool TestDisplayStart();
// TestDisplayStart, with the sound driver set to ALSA's null device for the
// tests that play through real voices; false when there is no display.
bool TestNullVoicesStart();

// Captures what the code under test writes to standard output or error.
void CaptureStdoutBegin();
std::string CaptureStdoutEnd();
void CaptureStderrBegin();
std::string CaptureStderrEnd();
