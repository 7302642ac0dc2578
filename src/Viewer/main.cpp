// zelto: the desktop viewer. Run with --help for the command line.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QSurfaceFormat>
#include <QTimer>

#include "AppIcon.h"
#include "DocumentController.h"
#include "SceneLoader.h"
#include "ProgramOptions.h"
#include "SingleInstance.h"
#include "WindowController.h"
#include "ZeltoOpenGLView.h"

namespace {

// Qt reads no display from the environment but aborts with pages of diagnostics.
bool haveDisplay() {
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

long peakMemoryKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

QStringList argumentList(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// Once the first document's scene is on screen: the time since start, the peak memory
// and the longest the event loop went without turning (the window's longest stall).
void reportFirstFrame(DocumentController& documents, const QElapsedTimer& sinceStart) {
    auto* beat = new QTimer(&documents);
    auto* lastBeat = new QElapsedTimer;
    auto longest = std::make_shared<qint64>(0);
    lastBeat->start();
    QObject::connect(beat, &QTimer::timeout, beat, [lastBeat, longest] {
        *longest = std::max(*longest, lastBeat->restart());
    });
    beat->start(5);  // fine enough for stalls, light enough not to slow the reading
    QObject::connect(&documents, &DocumentController::windowOpened, &documents,
                     [=, &sinceStart](WindowController* controller) {
        QObject::connect(controller->glView(), &QOpenGLWidget::frameSwapped, controller, [=, &sinceStart] {
            if (controller->isLoading()) return;
            *longest = std::max(*longest, lastBeat->elapsed());
            std::printf("first frame: %lld ms after start, peak memory %ld MiB, longest stall %lld ms\n",
                        static_cast<long long>(sinceStart.elapsed()), peakMemoryKiB() / 1024,
                        static_cast<long long>(*longest));
            std::fflush(stdout);
            std::_Exit(0);
        });
    });
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    ProgramOptions options = parseProgramOptions(argumentList(argc, argv));
    switch (options.action) {
        case ProgramOptions::Action::Usage:
            std::fputs(kProgramUsage, stdout);
            return 0;
        case ProgramOptions::Action::Version:
            std::printf("zelto %s\n", ZELTO_VERSION);
            return 0;
        case ProgramOptions::Action::BadUsage:
            std::fprintf(stderr, "zelto: %s\nTry 'zelto --help' for more information.\n",
                         options.error.toLocal8Bit().constData());
            return 2;
        case ProgramOptions::Action::Run:
            break;
    }
    // A Zelto of this user that runs already opens the files in its own windows.
    if (!options.newInstance && !options.files.isEmpty() && SingleInstance::handOver(options.files)) return 0;
    if (!haveDisplay()) {
        std::fprintf(stderr,
                     "zelto: no display to open a window on (DISPLAY is not set); "
                     "without one, try: xvfb-run -a zelto FILE\n");
        return 2;
    }

    // Fixed-function drawing needs a compatibility context, and depth testing a depth
    // buffer; both must be asked for before the application exists.
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);

    QApplication app(argc, argv);
    QApplication::setApplicationName("Zelto");
    QApplication::setOrganizationName("Zelto");
    QApplication::setApplicationVersion(ZELTO_VERSION);
    QApplication::setWindowIcon(zeltoIcon());

    int status = 0;
    {
        DocumentController documents;
        SingleInstance instance;
        if (!options.exitAfterFirstFrame) {
            instance.listen();
            QObject::connect(&instance, &SingleInstance::filesReceived, &documents,
                             [&](const QStringList& files) {
                                 for (const QString& file : files) documents.openDocument(file);
                             });
        }
        // A command line whose every file failed ends with status 1.
        QObject::connect(&documents, &DocumentController::openFailed, &app, [&] {
            if (documents.windowControllers().empty()) QCoreApplication::exit(1);
        });
        if (options.exitAfterFirstFrame) reportFirstFrame(documents, sinceStart);
        // Files open once the event loop runs: the windows show while their files are read.
        QTimer::singleShot(0, &app, [&] {
            if (options.files.isEmpty())
                documents.newDocument(true);
            else
                documents.openCommandLineFiles(options.files);
        });
        status = app.exec();
    }
    // Reads that windows closed on are cancelled, and end before the program does.
    SceneLoader::waitForWorkers();
    return status;
}
