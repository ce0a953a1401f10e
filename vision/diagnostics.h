#pragma once
// Diagnostic lines: the fixed trail that the loader, the scan, the window and the reader write.
// They all go through one stream, standard output by default, so that a caller can redirect them
// (the tests) or silence them (the command-line tool, which keeps standard output for results).

#include <ostream>
#include <string>

std::ostream& diagnostics();

// nullptr silences the lines; &std::cout restores the default. Set it before other threads write.
void setDiagnosticsStream(std::ostream* stream);

// The calling thread's lines go to stream instead of the shared one, until it is called again
// with nullptr. A worker that examines pictures alongside others collects each picture's lines
// this way, so that they can be written out whole and in order.
void setThreadDiagnosticsStream(std::ostream* stream);

// The calling thread's own stream, or nullptr when its lines go to the shared one; for a caller
// that redirects the thread's lines for a while and then puts them back.
std::ostream* threadDiagnosticsStream();

// Paths and the cascade's first line are wide text; they are written in their UTF-8 form, since
// mixing the wide and the narrow standard stream on one file loses output.
std::string toUtf8(const std::wstring& text);
