#pragma once
// One QApplication on the offscreen platform for the whole test program, and a fixture that
// fails a test on any Qt warning.
#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <mutex>
#include <string>
#include <vector>

namespace guitest {

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
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(RecordQtMessage);
        static int argc = 1;
        static char name[] = "corvex-gui-tests";
        static char* argv[] = {name, nullptr};
        auto* a = new QApplication(argc, argv);
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
