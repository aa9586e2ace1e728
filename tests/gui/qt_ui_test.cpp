// The Qt UI services and form host: message boxes with the exact text, icon and default
// button; posting from threads in order; modal forms with modal children.
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QDeadlineTimer>
#include <thread>

#include "gui/form_dialog.h"
#include "gui/qt_ui.h"
#include "qt_services_fixture.h"

using namespace platform;

namespace {

struct QtServices : guitest::QtServicesTest {
    // When the next message box shows, records it and presses `press` (or its default button).
    struct Seen {
        QString text, title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };
    void answerNextBox(Seen& seen, QMessageBox::StandardButton press = QMessageBox::NoButton) {
        QTimer::singleShot(0, [&seen, press, this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return answerNextBox(seen, press);  // not shown yet
            seen.text = box->text();
            seen.title = box->windowTitle();
            seen.icon = box->icon();
            seen.defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
            QAbstractButton* b = press == QMessageBox::NoButton ? box->defaultButton() : box->button(press);
            b->click();
        });
    }
};

TEST_F(QtServices, MessageBoxesShowTheExactTextIconAndDefault) {
    Seen seen;
    answerNextBox(seen);
    const std::string text = "QoS works best when Flow Control is disabled. \n* <b>Do</b> you still want to enable Flow Control?. ";
    EXPECT_FALSE(Confirm(text, MsgIcon::Warning));  // Cancel is the default
    EXPECT_EQ(seen.text.toStdString(), text);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.defaultButton, QMessageBox::Cancel);
    EXPECT_EQ(seen.title, "Corvex");

    answerNextBox(seen, QMessageBox::Ok);
    EXPECT_TRUE(Confirm("Delete?"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);

    MessageRequest r;
    r.text = "Save?";
    r.caption = "Save Configuration";
    r.buttons = MsgButtons::YesNoCancel;
    r.icon = MsgIcon::Error;
    r.defaultButton = 1;
    answerNextBox(seen);
    EXPECT_EQ(ui().messageBox(r), MsgAnswer::No);
    EXPECT_EQ(seen.defaultButton, QMessageBox::No);
    EXPECT_EQ(seen.title, "Save Configuration");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    answerNextBox(seen, QMessageBox::Yes);
    EXPECT_EQ(ui().messageBox(r), MsgAnswer::Yes);
}

TEST_F(QtServices, PostedWorkRunsOnTheUiThreadInOrder) {
    std::vector<int> order;
    bool onUiThread = true;
    std::thread worker([&] {
        EXPECT_FALSE(ui().isUiThread());
        for (int i = 0; i < 100; ++i)
            ui().post([&, i] {
                onUiThread = onUiThread && ui().isUiThread();
                order.push_back(i);
            });
        ui().singleShot(5, [&] { order.push_back(-1); });
    });
    worker.join();
    QDeadlineTimer limit(5000);
    while (order.size() < 101 && !limit.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(order.size(), 101u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
    EXPECT_EQ(order.back(), -1);
    EXPECT_TRUE(onUiThread);

    // Tasks and timers still pending when their services go (a walk's next hand-over, a form's
    // timer) are dropped, not run on what is gone.
    int late = 0;
    {
        gui::QtUi gone;
        gone.post([&] { ++late; });
        gone.singleShot(1, [&] { ++late; });
        std::thread([&] { gone.singleShot(1, [&] { ++late; }); }).join();
    }
    QDeadlineTimer settle(100);
    while (!settle.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(late, 0);
}

// A form that opens a child from a button; both close themselves from timers, as a user would.
class ChildForm : public Form {
public:
    std::vector<std::string>* log = nullptr;

protected:
    void createControls() override {
        setCaption("Child");
        addEdit(10);
        addButton(kIdOk, "OK", [this] {
            log->push_back("child ok " + get<EditBox>(10).text());
            end(kIdOk);
        });
    }
    void initDialog() override {
        setTimer(1, 10, [this] {
            get<EditBox>(10).setText("typed");
            get<PushButton>(kIdOk).userClick();
        });
    }
    void destroyWindow() override { log->push_back("child destroyed"); }
};

class ParentForm : public Form {
public:
    std::vector<std::string> log;

protected:
    void createControls() override {
        setCaption("Parent");
        addButton(5, "&Open", [this] {
            ChildForm child;
            child.log = &log;
            log.push_back("child result " + std::to_string(runChild(child)));
            post([this] { end(kIdOk); });
        });
        addButton(kIdCancel, "&Close");
    }
    void initDialog() override {
        post([this] {
            auto* active = qobject_cast<gui::FormDialog*>(QApplication::activeModalWidget());
            log.push_back(active && active->windowTitle() == "Parent" ? "shown modal" : "not shown");
            get<PushButton>(5).userClick();
        });
    }
    void destroyWindow() override { log.push_back("parent destroyed"); }
};

TEST_F(QtServices, FormHostRunsModalFormsAndChildren) {
    ParentForm parent;
    EXPECT_EQ(host.runModal(parent), kIdOk);
    EXPECT_EQ(parent.log, (std::vector<std::string>{"shown modal", "child ok typed", "child destroyed",
                                                    "child result 1", "parent destroyed"}));
}

TEST_F(QtServices, AFormThatEndsWhileOpeningIsNeverShown) {
    Form form;
    bool destroyed = false;
    form.setOnCreate([](Form& f) { f.setCaption("Gone"); });
    form.setOnInit([&form] { form.end(7); });
    form.setOnDestroy([&] { destroyed = true; });
    EXPECT_EQ(host.runModal(form), 7);
    EXPECT_TRUE(destroyed);
}

TEST_F(QtServices, WaitCursorNestsAndRestores) {
    {
        WaitCursor outer;
        WaitCursor inner;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    qtUi.setWaitCursor(false);  // unbalanced: ignored
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace

