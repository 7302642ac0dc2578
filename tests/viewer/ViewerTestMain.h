#pragma once

// A main for the viewer's Qt tests. Without a display the tests run on Qt's offscreen
// platform, where there is no OpenGL: tests that need a GL context skip themselves.

#include <algorithm>
#include <cstdlib>

#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QSurfaceFormat>
#include <QtTest>

#include "DocumentController.h"
#include "WindowController.h"

inline bool openGLAvailable() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

#define REQUIRE_OPENGL()                                                                  \
    if (!openGLAvailable())                                                               \
    QSKIP("needs an X display with OpenGL (the test command starts Xvfb)")

// Opens the file as the program does and waits for the worker that reads it: the window,
// once its scene is in; none when the file did not open and its window went.
inline WindowController* openAndWait(DocumentController& documents, const QString& path) {
    QPointer<WindowController> window = documents.openDocument(path);
    if (!QTest::qWaitFor([&] { return !window || !window->isLoading(); }, 60000)) return nullptr;
    const std::vector<WindowController*>& open = documents.windowControllers();
    return window && std::find(open.begin(), open.end(), window.data()) != open.end() ? window.data() : nullptr;
}

// Reads the window's file again as the program does when it changes; true once the new
// scene is in, false when the file did not read.
inline bool reloadAndWait(DocumentController& documents, WindowController* window) {
    QSignalSpy loaded(&documents, &DocumentController::sceneLoaded);
    QSignalSpy failed(&documents, &DocumentController::reloadFailed);
    documents.reloadDocument(window);
    return QTest::qWaitFor([&] { return loaded.count() + failed.count() > 0; }, 60000) && loaded.count() > 0;
}

// Each test process gets settings and a runtime folder of its own, so tests running at
// once do not share recent files.
#define ZELTO_VIEWER_TEST_MAIN(TestClass)                                                 \
    int main(int argc, char** argv) {                                                     \
        QTemporaryDir home;                                                               \
        setenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")).constData(), 1); \
        setenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()).constData(), 1);         \
        const char* display = std::getenv("DISPLAY");                                     \
        if ((!display || !*display) && !std::getenv("QT_QPA_PLATFORM"))                   \
            setenv("QT_QPA_PLATFORM", "offscreen", 1);                                    \
        QSurfaceFormat format;                                                            \
        format.setProfile(QSurfaceFormat::CompatibilityProfile);                          \
        format.setDepthBufferSize(24);                                                    \
        QSurfaceFormat::setDefaultFormat(format);                                         \
        QApplication app(argc, argv);                                                     \
        QApplication::setOrganizationName("ZeltoTests");                                  \
        QApplication::setApplicationName("ZeltoTests");                                   \
        TestClass test;                                                                   \
        return QTest::qExec(&test, argc, argv);                                           \
    }
