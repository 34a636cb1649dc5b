// corvane --render: each window of a session drawn into files without a
// display (on Qt's offscreen platform), a line per file written on standard
// output, progress and failures on standard error.
#pragma once

#include <cstdio>
#include <string>

#include "app/command_line.h"
#include "platform/platform.h"

namespace corvane::app {

// Draws the session at `sessionPath` into render.output, with the
// QApplication made already; the main window (whose fields the session
// sets) lives on `platform`. 0 when every file was written; 1 when the
// session could not be opened whole or any file failed.
int renderSession(platform::Platform& platform, const std::string& sessionPath,
                  const CommandLine::Render& render, std::FILE* out, std::FILE* err);

}  // namespace corvane::app
