#pragma once

// A main for the viewer's Qt tests. Without a display the tests run on Qt's offscreen
// platform, where there is no OpenGL: tests that need a GL context skip themselves.

#include <cstdlib>

#include <QApplication>
#include <QTemporaryDir>
#include <QSurfaceFormat>
#include <QtTest>

inline bool openGLAvailable() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

#define REQUIRE_OPENGL()                                                                  \
    if (!openGLAvailable())                                                               \
    QSKIP("needs an X display with OpenGL (the test command starts Xvfb)")

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
