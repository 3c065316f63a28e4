// Test kit: definition texts for the text-file reader, on disk or as memory virtual files.
#pragma once
#include <initializer_list>
#include <string>

struct VFile;

// Joins the lines into one text, each followed by eol.
std::string DefText(std::initializer_list<std::string> lines, const char *eol = "\n");
// Writes the text to a file under the working directory (directories made as
// needed) and returns the path.
std::string DefFileWrite(const std::string &path, const std::string &text);
// A memory virtual file over a copy of the text; closing it frees the copy.
VFile *DefMemVFile(const std::string &text);
