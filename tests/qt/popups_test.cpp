// Modal popups, the file dialogue and the drop-down history on the Qt
// platform, operated through the keyboard and the mouse as an operator would.
#include <unistd.h>

#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/qt/qt_fixture.h"

namespace lq::qt {
namespace {

// Runs `act` on the next modal window (or open menu) once it shows.
void OnNextPopup(std::function<void(QWidget*)> act, bool menu = false) {
    auto* t = new QTimer;
    t->setInterval(5);
    QObject::connect(t, &QTimer::timeout, [t, act, menu] {
        QWidget* w = menu ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        t->stop();
        t->deleteLater();
        act(w);
    });
    t->start();
}

class QtPopupTest : public QtPanelsTest {
  protected:
    void SetUp() override {
        LoadPanels();
        Show();
    }
};

TEST_F(QtPopupTest, GenericPopupAnswersWithTheButtonsOfEnterAndEscape) {
    struct Case {
        Qt::Key key;
        int enter, escape, expected;
    };
    const Case cases[] = {{Qt::Key_Return, 1, 1, 1},
                          {Qt::Key_Escape, 1, 1, 1},
                          {Qt::Key_Return, 2, 1, 2},
                          {Qt::Key_Escape, 2, 1, 1},
                          {Qt::Key_Escape, 1, 2, 2}};
    for (const Case& c : cases) {
        std::string title;
        OnNextPopup([&](QWidget* w) {
            title = w->windowTitle().toStdString();
            QTest::keyClick(w, c.key);
        });
        EXPECT_EQ(qp.GenericMessagePopup("ATTENTION!", "Could not establish connection!", "CLOSE",
                                         "OFFLINE", nullptr, 0, c.enter, c.escape),
                  c.expected);
        EXPECT_EQ(title, "ATTENTION!");
    }
    // A click on a button gives its number.
    OnNextPopup([](QWidget* w) {
        QTest::mouseClick(w->findChild<QPushButton*>("button2"), Qt::LeftButton);
    });
    EXPECT_EQ(qp.GenericMessagePopup("T", "x", "CLOSE", "OFFLINE", nullptr, 0, 1, 1), 2);
}

TEST_F(QtPopupTest, GenericPopupEntryIsCutToItsMaximumLength) {
    std::string entry = "ab";
    OnNextPopup([](QWidget* w) {
        auto* edit = w->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "123456789");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(qp.GenericMessagePopup("Q", "Number?", "OK", "CANCEL", &entry, 4, 1, 2), 1);
    EXPECT_EQ(entry, "1234");
}

TEST_F(QtPopupTest, ConfirmAndMessagePopups) {
    std::string text;
    OnNextPopup([&](QWidget* w) {
        text = static_cast<QMessageBox*>(w)->text().toStdString();
        QTest::mouseClick(static_cast<QMessageBox*>(w)->button(QMessageBox::Yes), Qt::LeftButton);
    });
    EXPECT_EQ(qp.ConfirmPopup("ATTENTION!", "Proceed?"), 1);
    EXPECT_EQ(text, "Proceed?");
    OnNextPopup([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(qp.ConfirmPopup("ATTENTION!", "Proceed?"), 0);
    OnNextPopup([&](QWidget* w) {
        text = static_cast<QMessageBox*>(w)->text().toStdString();
        QTest::keyClick(w, Qt::Key_Return);
    });
    qp.MessagePopup("INFO!", "Select your language.");
    EXPECT_EQ(text, "Select your language.");
}

TEST_F(QtPopupTest, AutomaticAnswersShowNothing) {
    qp.SetAutomaticPopupAnswers(true);
    qp.MessagePopup("INFO!", "x");
    EXPECT_EQ(qp.ConfirmPopup("ATTENTION!", "x"), 0);
    EXPECT_EQ(qp.GenericMessagePopup("ATTENTION!", "x", "CLOSE", "OFFLINE", nullptr, 0, 1, 1), 2);
    std::string path = "unchanged";
    EXPECT_EQ(qp.FileSelectPopup(FileSelectRequest{}, path), FILE_SELECT_CANCELLED);
    EXPECT_EQ(path, "unchanged");
}

TEST_F(QtPopupTest, FileDialogTellsExistingFilesFromNewNames) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("lq_qt_files_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "Parameter.ini") << "[GENERAL INFO]\n";
    struct Case {
        bool save;
        const char* typed;  // nullptr: keep the default name
        bool cancel;
        int expected;
        const char* file;
    };
    const Case cases[] = {
        {true, nullptr, false, FILE_SELECT_EXISTING, "Parameter.ini"},
        {true, "fresh.ini", false, FILE_SELECT_NEW, "fresh.ini"},
        {false, nullptr, false, FILE_SELECT_EXISTING, "Parameter.ini"},
        {false, nullptr, true, FILE_SELECT_CANCELLED, nullptr},
        // Opening a name that does not exist ends the dialogue as a new name,
        // which GET takes as cancelled.
        {false, "missing.ini", false, FILE_SELECT_NEW, "missing.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed ? c.typed : "default name");
        OnNextPopup([&](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dlg, nullptr);
            EXPECT_TRUE(dlg->testOption(QFileDialog::DontUseNativeDialog));
            if (c.cancel) {
                dlg->reject();
                return;
            }
            auto* name = dlg->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            if (c.typed) dlg->selectFile(QString::fromUtf8(c.typed));
            QTest::keyClick(name, Qt::Key_Return);
        });
        FileSelectRequest req{dir.string(), "Parameter.ini", "*.ini", "Parameter", c.save};
        std::string path;
        EXPECT_EQ(qp.FileSelectPopup(req, path), c.expected);
        if (c.file) {
            EXPECT_EQ(path, (dir / c.file).string());
        }
    }
    std::filesystem::remove_all(dir);
}

// Hooks that record what the toolkit forwards and complete like a history list.
struct FakeHooks : DropDownHooks {
    QtPlatform* qp = nullptr;
    int panel = 0;
    std::vector<std::string> items{"sensor-a.local", "192.168.0.7"};
    std::vector<std::string> log;
    int lastKey = 0;
    void OnKey(int code) override {
        lastKey = code;
        log.push_back("key " + std::to_string(code));
    }
    void OnTextEdited() override {
        log.push_back("edited");
        const std::string typed = qp->GetCtrlValString(panel, STRING_IP_ADRESS);
        if (typed == "s" && lastKey != 0) {
            qp->SetCtrlVal(panel, STRING_IP_ADRESS, items[0]);
            qp->SetCtrlTextSelection(panel, STRING_IP_ADRESS, 1,
                                     static_cast<int>(items[0].size()) - 1);
        }
    }
    int ItemCount() const override { return static_cast<int>(items.size()); }
    std::string ItemText(int i) const override { return items[i]; }
    void OnPick(int index) override {
        log.push_back("pick " + std::to_string(index));
        qp->SetCtrlVal(panel, STRING_IP_ADRESS, items[index]);
    }
};

TEST_F(QtPopupTest, DropDownForwardsKeysEditsAndPicks) {
    const int c = a.s.tpConnect;
    FakeHooks hooks;
    hooks.qp = &qp;
    hooks.panel = c;
    rec.onControl = [&](const Call& call) {
        if (call.control == STRING_IP_ADRESS)
            hooks.log.push_back("callback " + std::to_string(call.event));
    };
    QWidget* field = W(c, STRING_IP_ADRESS);
    const QRect before = field->geometry();
    qp.AttachDropDown(c, STRING_IP_ADRESS, &hooks);
    qp.SetDropDownFrameColor(c, STRING_IP_ADRESS, COLOR_FRAME_GRAY);
    auto* arrow = field->parentWidget()->findChild<QToolButton*>("STRING_IP_ADRESS_ARROW");
    ASSERT_NE(arrow, nullptr);
    // Field and arrow share the field's old place.
    EXPECT_EQ(field->geometry().united(arrow->geometry()), before);
    EXPECT_EQ(qp.GetCtrlMaxLength(c, STRING_IP_ADRESS), 255);

    // Typing "s": the key first, then the edit, then the field's own callback;
    // the completion the hooks made stays selected for the next key to replace.
    field->setFocus();
    QTest::keyClick(field, Qt::Key_S);
    EXPECT_EQ(hooks.log, (std::vector<std::string>{"key 115", "edited", "callback 2"}));
    auto* edit = static_cast<QLineEdit*>(field);
    EXPECT_EQ(edit->text().toStdString(), "sensor-a.local");
    EXPECT_EQ(edit->selectedText().toStdString(), "ensor-a.local");
    hooks.log.clear();
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(hooks.log, (std::vector<std::string>{"key 0", "edited", "callback 2"}));
    EXPECT_EQ(edit->text().toStdString(), "s");

    // Down opens the list; picking item 1 goes to the hooks, focus back on the field.
    hooks.log.clear();
    OnNextPopup(
        [](QWidget* w) {
            auto* menu = qobject_cast<QMenu*>(w);
            ASSERT_NE(menu, nullptr);
            ASSERT_EQ(menu->actions().size(), 2);
            QTest::mouseClick(menu, Qt::LeftButton, {},
                              menu->actionGeometry(menu->actions()[1]).center());
        },
        true);
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(hooks.log, (std::vector<std::string>{"key 0", "pick 1"}));
    EXPECT_EQ(edit->text().toStdString(), "192.168.0.7");

    // A click on the arrow opens it too; closing it picks nothing.
    hooks.log.clear();
    OnNextPopup([](QWidget* w) { w->close(); }, true);
    QTest::mouseClick(arrow, Qt::LeftButton);
    EXPECT_TRUE(hooks.log.empty());

    // Hiding the combination hides field, arrow and frame.
    qp.SetDropDownVisible(c, STRING_IP_ADRESS, false);
    EXPECT_FALSE(field->isVisible());
    EXPECT_FALSE(arrow->isVisible());
    EXPECT_FALSE(field->parentWidget()->findChild<QWidget*>("STRING_IP_ADRESS_FRAME")->isVisible());
    qp.SetDropDownVisible(c, STRING_IP_ADRESS, true);
    EXPECT_TRUE(arrow->isVisible());

    // Detached, the field gets its room back and keys are no longer forwarded.
    qp.AttachDropDown(c, STRING_IP_ADRESS, nullptr);
    EXPECT_EQ(field->geometry(), before);
    hooks.log.clear();
    QTest::keyClick(field, Qt::Key_X);
    EXPECT_EQ(hooks.log, (std::vector<std::string>{"callback 2"}));
}

// A popup lives on the stack of the call that opened it; the panel under it
// may be discarded meanwhile (a timer, a descriptor's callback). The popup must
// survive its parent: a dialogue still answers its caller, a menu picks nothing.
TEST_F(QtPopupTest, DiscardingThePanelUnderAnOpenPopupKeepsThePopup) {
    const int main = a.s.mainPanel;
    QWidget* parent = qp.PanelWidgetOf(main);
    QApplication::setActiveWindow(parent);
    QWidget* seen = nullptr;
    OnNextPopup([&](QWidget* w) {
        seen = w;
        qp.DiscardPanel(main);
        EXPECT_TRUE(w->isVisible());
        QTest::mouseClick(w->findChild<QPushButton*>("button2"), Qt::LeftButton);
    });
    EXPECT_EQ(qp.GenericMessagePopup("T", "x", "CLOSE", "OFFLINE", nullptr, 0, 1, 1), 2);
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(qp.PanelWidgetOf(main), nullptr);
}

TEST_F(QtPopupTest, DiscardingThePanelUnderAnOpenDropDownClosesTheMenu) {
    const int c = a.s.tpConnect;
    FakeHooks hooks;
    hooks.qp = &qp;
    hooks.panel = c;
    qp.AttachDropDown(c, STRING_IP_ADRESS, &hooks);
    auto* arrow =
        W(c, STRING_IP_ADRESS)->parentWidget()->findChild<QToolButton*>("STRING_IP_ADRESS_ARROW");
    ASSERT_NE(arrow, nullptr);
    const int main = a.s.mainPanel;
    bool opened = false;
    OnNextPopup(
        [&](QWidget* w) {
            opened = true;
            qp.DiscardPanel(main);
            EXPECT_FALSE(w->isVisible());
        },
        true);
    QTest::mouseClick(arrow, Qt::LeftButton);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(hooks.log.empty());
    EXPECT_EQ(qp.ControlWidget(c, STRING_IP_ADRESS), nullptr);
}

TEST_F(QtPopupTest, EmptyTitlesStayEmptyAndButtonsSayWhatTheTextsSay) {
    std::string title;
    std::vector<std::string> buttons;
    auto record = [&](QWidget* w) {
        title = w->windowTitle().toStdString();
        buttons.clear();
        for (auto* b : w->findChildren<QPushButton*>()) buttons.push_back(b->text().toStdString());
        std::sort(buttons.begin(), buttons.end());
    };
    OnNextPopup([&](QWidget* w) {
        record(w);
        QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_EQ(qp.ConfirmPopup("", "Press YES or NO."), 0);
    EXPECT_TRUE(QString::fromStdString(title).trimmed().isEmpty()) << title;
    EXPECT_EQ(buttons, (std::vector<std::string>{"NO", "YES"}));
    OnNextPopup([&](QWidget* w) {
        record(w);
        QTest::keyClick(w, Qt::Key_Return);
    });
    qp.MessagePopup("", "Click on OK.");
    EXPECT_TRUE(QString::fromStdString(title).trimmed().isEmpty()) << title;
    EXPECT_EQ(buttons, std::vector<std::string>{"OK"});
    OnNextPopup([&](QWidget* w) {
        record(w);
        QTest::keyClick(w, Qt::Key_Return);
    });
    EXPECT_EQ(qp.GenericMessagePopup("", "Number?", "OK", "CANCEL", nullptr, 0, 1, 2), 1);
    EXPECT_TRUE(QString::fromStdString(title).trimmed().isEmpty()) << title;
}

// The report of a file with every teach vector missing is far taller than a
// small screen: it scrolls, and its OK button stays on the screen.
TEST_F(QtPopupTest, AMessageTallerThanTheScreenScrollsAndKeepsItsButtonOnScreen) {
    std::string report =
        "Following teach vectors could not be read \nand where set to default value:\n\n";
    for (int n = 0; n < 64; ++n) report += "TEACH VECTOR " + std::to_string(n) + "\n";
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    bool onScreen = false;
    std::string shown;
    OnNextPopup([&](QWidget* w) {
        auto* ok = w->findChild<QPushButton*>();
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), "OK");
        onScreen = screen.contains(w->frameGeometry()) &&
                   screen.contains(QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size()));
        if (auto* label = w->findChild<QLabel*>()) shown = label->text().toStdString();
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    qp.MessagePopup("Attention!", report);
    EXPECT_TRUE(onScreen) << "screen " << screen.height() << " px high";
    EXPECT_EQ(shown, report);
}

}  // namespace
}  // namespace lq::qt
