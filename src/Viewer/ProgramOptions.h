#pragma once

#include <QStringList>

// The command line of zelto.
struct ProgramOptions {
    enum class Action { Run, Usage, Version, BadUsage };
    Action action = Action::Run;
    QStringList files;
    // For timing a cold open: quit once the first window's first frame is on screen,
    // printing the time since start and the peak memory.
    bool exitAfterFirstFrame = false;
    // Open here even when another Zelto of this user runs.
    bool newInstance = false;
    // Read large files on the main thread too (for comparing the window's stalls).
    QString error;  // for BadUsage
};

ProgramOptions parseProgramOptions(const QStringList& arguments);
extern const char* const kProgramUsage;
