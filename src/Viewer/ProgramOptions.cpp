#include "ProgramOptions.h"

const char* const kProgramUsage =
    "usage: zelto [FILE...]\n"
    "\n"
    "Opens each Metasequoia document (.mqo) in a window of its own; with no file, an\n"
    "empty window. Drag to move the model, Ctrl-drag or right-drag to turn it, Shift-drag\n"
    "or the wheel to zoom; pick an animation to play it at 30 frames a second.\n"
    "\n"
    "  -h, --help                this text\n"
    "  --version                 the version\n"
    "  --exit-after-first-frame  quit once the first frame is on screen, printing the time\n"
    "                            since start and the peak memory (for timing an open)\n"
    "  --                        what follows are file names\n"
    "\n"
    "Exit status: 0 when a window was shown and closed; 1 when no file given opened;\n"
    "2 bad usage or no display.\n";

ProgramOptions parseProgramOptions(const QStringList& arguments) {
    ProgramOptions options;
    bool onlyFiles = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (onlyFiles || !arg.startsWith('-') || arg == "-") {
            options.files.append(arg);
        } else if (arg == "--") {
            onlyFiles = true;
        } else if (arg == "-h" || arg == "--help") {
            options.action = ProgramOptions::Action::Usage;
            return options;
        } else if (arg == "--version") {
            options.action = ProgramOptions::Action::Version;
            return options;
        } else if (arg == "--exit-after-first-frame") {
            options.exitAfterFirstFrame = true;
        } else {
            options.action = ProgramOptions::Action::BadUsage;
            options.error = QString("unknown option '%1'").arg(arg);
            return options;
        }
    }
    return options;
}
