// The widest dialogs on a 1024x768 screen: each fits the screen's available area with its
// buttons in view, its contents scroll instead of being cut, and its Close button ends it.
// Set CORVEX_DIALOG_PICTURES to a folder to keep a PNG of each.
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "features/lldp/lldp_dlgs.h"
#include "features/poe/poe_config_dlg.h"
#include "features/ports/port_set_info.h"
#include "features/security/dot1x_dlgs.h"
#include "features/vlan/vlan_config_dlg.h"
#include "gui/form_dialog.h"
#include "gui/qt_ui.h"
#include "qt_services_fixture.h"
#include "support/sim_fixture.h"

using namespace platform;

namespace {

gui::FormDialog* ShownDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<gui::FormDialog*>(w); d && d->isVisible()) return d;
    return nullptr;
}

struct SmallScreen : guitest::QtServicesTest {
    corvex::test::SimDevice sim;

    void TearDown() override {
        sim.stop();
        guitest::QtServicesTest::TearDown();
    }

    // Runs the form modally; once `ready` holds, checks where it lies and clicks `close`.
    void look(Form& form, const std::function<bool(gui::FormDialog&)>& ready, const std::string& close,
              const std::string& picture) {
        QElapsedTimer clock;
        clock.start();
        bool looked = false;
        qint64 readySince = -1;
        QTimer poll;
        poll.setInterval(50);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            gui::FormDialog* d = ShownDialog();
            if (!d) return;
            // Ready for a moment: the lists have shown their rows.
            if (!ready(*d) && clock.elapsed() < 20000) {
                readySince = -1;
                return;
            }
            if (readySince < 0) readySince = clock.elapsed();
            if (clock.elapsed() - readySince < 200) return;
            poll.stop();
            looked = true;
            const QRect avail = d->screen()->availableGeometry();
            EXPECT_EQ(avail.size(), guitest::ScreenSize());
            EXPECT_TRUE(avail.contains(d->frameGeometry()))
                << d->windowTitle().toStdString() << " is " << d->width() << "x" << d->height();
            std::printf("%s: %dx%d on %dx%d\n", d->windowTitle().toStdString().c_str(), d->width(), d->height(),
                        avail.width(), avail.height());
            for (const auto& c : d->form().children()) {
                if (c->kind() != ControlKind::Button || c->onSameLine()) continue;
                QWidget* b = d->widgetFor(*c);
                const QRect onScreen(b->mapToGlobal(QPoint(0, 0)), b->size());
                EXPECT_TRUE(avail.contains(onScreen)) << c->text() << " is off screen";
            }
            if (const char* dir = std::getenv("CORVEX_DIALOG_PICTURES")) {
                QDir().mkpath(dir);
                d->grab().save(QString(dir) + "/" + QString::fromStdString(picture));
            }
            auto* b = qobject_cast<QPushButton*>(d->widgetFor(*d->form().find(close)));
            QTimer::singleShot(0, b, [b] { QTest::mouseClick(b, Qt::LeftButton); });
        });
        poll.start();
        EXPECT_EQ(formHost().runModal(form), kIdCancel);
        EXPECT_TRUE(looked);
    }
    static std::function<bool(gui::FormDialog&)> rowsAndEnabled(int list, int rows, const std::string& button) {
        return [list, rows, button](gui::FormDialog& d) {
            auto& l = d.form().get<ReportList>(list);
            return l.rowCount() >= rows && d.form().find(button)->usable();
        };
    }
};

TEST_F(SmallScreen, WideDialogsFitWithTheirButtonsInView) {
    std::string error;
    ASSERT_TRUE(sim.startAsDevice("28p", {}, {}, &error)) << error;
    {
        lldp::CLldpRemoteDlg dlg;
        look(dlg, rowsAndEnabled(lldp::CLldpRemoteDlg::IDC_LIST, 1, "&Refresh"), "&Close",
             "small-lldp-remote.png");
    }
    {
        poe::CPoeConfigDlg dlg;
        look(dlg, rowsAndEnabled(poe::CPoeConfigDlg::IDC_LIST_PORT, 8, "&Apply"), "&Close", "small-poe.png");
    }
    {
        features::CPortSetInfo dlg;
        look(dlg, rowsAndEnabled(features::CPortSetInfo::IDC_LIST_PORT, 28, "&Refresh"), "&Close", "small-ports.png");
    }
    {
        CVlanConfigDlg dlg;
        look(dlg, rowsAndEnabled(CVlanConfigDlg::IDC_VLAN_LIST, 1, "&Refresh"), "&Close", "small-vlan.png");
    }
    sim.stop();
    ASSERT_TRUE(sim.startAsDevice("52", {"1.3.6.1.4.1.171.10.76.12.11.2.1.0 i 1"}, {}, &error)) << error;
    {
        // Placed while its values are still being read, then grown by them: it stays on screen.
        security::C8021xGlobalDlg dlg;
        look(dlg, [](gui::FormDialog& d) { return d.form().find("&PortSet")->usable(); }, "&Close",
             "small-8021x.png");
    }
    {
        security::C8021xPortDlg dlg({"60", "30", "30", "30", "2", "3600", "Disabled"});
        look(dlg, rowsAndEnabled(security::C8021xPortDlg::IDC_LIST, 52, "&Refresh"), "Cancel", "small-8021x-port.png");
    }
}

}  // namespace
