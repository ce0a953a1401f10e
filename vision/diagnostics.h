#pragma once
// Diagnostic lines: the fixed trail that the loader, the scan, the window and the reader write.
// They all go through one stream, standard output by default, so that a caller can redirect them
// (the tests) or silence them (the command-line tool, which keeps standard output for results).

#include <ostream>
#include <string>

std::ostream& diagnostics();

// nullptr silences the lines; &std::cout restores the default.
void setDiagnosticsStream(std::ostream* stream);

// Paths and the cascade's first line are wide text; they are written in their UTF-8 form, since
// mixing the wide and the narrow standard stream on one file loses output.
std::string toUtf8(const std::wstring& text);
