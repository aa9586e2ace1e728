#pragma once
// One QApplication on the offscreen platform for the whole test program, and a fixture that
// fails a test on any Qt warning.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <mutex>
#include <string>
#include <vector>

// The offscreen screen the tests run on: a common desktop unless the test program asks for
// another ("1024x768"). Dialogs are fitted into its available area.
#ifndef CORVEX_TEST_SCREEN
#define CORVEX_TEST_SCREEN "1920x1080"
#endif

namespace guitest {

inline QSize ScreenSize() {
    const QStringList wh = QString(CORVEX_TEST_SCREEN).split('x');
    return {wh.value(0).toInt(), wh.value(1).toInt()};
}

// "offscreen:configfile=FILE" with one screen of ScreenSize(); FILE is this process's own.
inline QByteArray OffscreenPlatform(const QString& file) {
    QFile out(file);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        out.write(QString(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": %1, "height": %2,)"
                          R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                      .arg(ScreenSize().width())
                      .arg(ScreenSize().height())
                      .toUtf8());
        out.close();
    }
    return ("offscreen:configfile=" + file).toUtf8();
}

inline std::mutex g_warningsMutex;
inline std::vector<std::string> g_warnings;

inline void RecordQtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtDebugMsg || type == QtInfoMsg) return;
    // The offscreen platform itself says this for every top-level window it shows.
    if (text.contains("does not support propagateSizeHints")) return;
    std::lock_guard<std::mutex> lock(g_warningsMutex);
    g_warnings.push_back(text.toStdString());
}

inline QApplication& App() {
    static QApplication* app = [] {
        const QString screen =
            QDir::temp().filePath(QString("corvex-screen-%1.json").arg(QCoreApplication::applicationPid()));
        qputenv("QT_QPA_PLATFORM", OffscreenPlatform(screen));
        qInstallMessageHandler(RecordQtMessage);
        static int argc = 1;
        static char name[] = "corvex-gui-tests";
        static char* argv[] = {name, nullptr};
        auto* a = new QApplication(argc, argv);
        QFile::remove(screen);
        QApplication::setApplicationDisplayName("Corvex");
        return a;
    }();
    return *app;
}

class QtTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        std::lock_guard<std::mutex> lock(g_warningsMutex);
        g_warnings.clear();
    }
    void TearDown() override {
        QApplication::processEvents();
        std::lock_guard<std::mutex> lock(g_warningsMutex);
        for (const auto& w : g_warnings) ADD_FAILURE() << "Qt warning: " << w;
    }
};

}  // namespace guitest
