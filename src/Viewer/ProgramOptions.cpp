#include "ProgramOptions.h"

const char* const kProgramUsage =
    "usage: zelto [FILE...]\n"
    "\n"
    "Opens each Metasequoia document (.mqo, or the one in a .mqoz archive) in a window\n"
    "of its own; with no file, an empty window. Drag to move the model, Ctrl-drag or\n"
    "right-drag to turn it, Shift-drag or the wheel to zoom; pick an animation to play it\n"
    "at 30 frames a second; Space pauses it. A window follows its file: saved changes show as soon as they settle.\n"
    "When Zelto runs already, the files open in its process instead.\n"
    "\n"
    "  -h, --help                this text\n"
    "  --version                 the version\n"
    "  --new-instance            open the files in a process of their own\n"
    "  --exit-after-first-frame  quit once the first document's first frame is on screen,\n"
    "                            printing the time since start, the peak memory and the\n"
    "                            longest the window went unanswered (for timing an open);\n"
    "                            implies --new-instance\n"
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
            options.newInstance = true;
        } else if (arg == "--new-instance") {
            options.newInstance = true;
        } else {
            options.action = ProgramOptions::Action::BadUsage;
            options.error = QString("unknown option '%1'").arg(arg);
            return options;
        }
    }
    return options;
}
