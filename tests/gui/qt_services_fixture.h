#pragma once
// A Qt test with the module's own Qt message boxes and form host installed as the platform's,
// as the module runs them.
#include "gui/qt_ui.h"
#include "gui_test_main.h"
#include "platform/form.h"
#include "platform/ui.h"

namespace guitest {

class QtServicesTest : public QtTest {
protected:
    void SetUp() override {
        QtTest::SetUp();
        platform::setUi(&qtUi);
        platform::setFormHost(&host);
    }
    void TearDown() override {
        platform::setFormHost(nullptr);
        platform::setUi(nullptr);
        QtTest::TearDown();
    }
    gui::QtUi qtUi;
    gui::QtFormHost host;
};

}  // namespace guitest
