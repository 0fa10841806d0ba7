// The host field's drop-down on the real toolkit (offscreen): typing completes
// from the history, Backspace removes the completion, and picking from the
// opened menu commits the item like typing it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <string>

#include "app/core/session_state.h"
#include "app/qt/qt_platform.h"
#include "app/winmain.h"
#include "tests/support/test_platform.h"
#include "ui/callbacks.h"
#include "ui/combo.h"
#include "ui/connect_tab.h"
#include "ui/screen_events.h"

namespace lq {
namespace {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "test_qt";
    static char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!QApplication::instance()) new QApplication(argc, argv);
    return *static_cast<QApplication*>(QApplication::instance());
}

class QtDropDownTest : public ::testing::Test {
  protected:
    QApplication& qapp = Application();
    std::string dir;
    std::unique_ptr<qt::QtPlatform> ui;
    std::unique_ptr<ScreenApp> a;
    QLineEdit* field = nullptr;

    void SetUp() override {
        std::string tmpl = (std::filesystem::temp_directory_path() / "lqqtdd.XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        ui = std::make_unique<qt::QtPlatform>();
        ui->SetAutomaticPopupAnswers(true);
        a = std::make_unique<ScreenApp>(*ui);
        ui->SetCallbackResolver(&ProgramCallbacks(), a.get());
        ASSERT_EQ(LoadProgramPanels(*a, TestUirPath()), 0);
        CopyText(a->s.programDir, dir);
        CopyText(a->s.settingsPath, dir + "/PanelSettings.cfg");
        ASSERT_EQ(Combo_NewComboBox(*a, tp(), STRING_IP_ADRESS), STRING_IP_ADRESS);
        Combo_InsertComboItem(*a, tp(), STRING_IP_ADRESS, 0, "x");
        Combo_InsertComboItem(*a, tp(), STRING_IP_ADRESS, 1, "sensor-east");
        Combo_InsertComboItem(*a, tp(), STRING_IP_ADRESS, 2, "192.168.0.5");
        ui->SetCtrlVal(tp(), EDIT_COM_PROTOCOL, 1);
        InitConnectPanel(*a);
        ui->DisplayPanel(a->s.dataPanel);
        ui->DisplayPanel(a->s.mainPanel);
        ui->SetActiveTabPage(a->s.mainPanel, TAB_MAIN1, 0);
        field = qobject_cast<QLineEdit*>(ui->ControlWidget(tp(), STRING_IP_ADRESS));
        ASSERT_NE(field, nullptr);
        field->setFocus();
        QApplication::processEvents();
    }
    void TearDown() override {
        if (a) Combo_DiscardComboBox(*a, tp(), STRING_IP_ADRESS);
        a.reset();
        ui.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    int tp() const { return a->s.tpConnect; }

    void Key(int key, const QString& text = QString()) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(field, &release);
    }
    void Type(const QString& text) {
        for (QChar ch : text) Key(ch.toUpper().unicode(), ch);  // ASCII keys carry their code
    }
    std::vector<std::string> Hosts() { return Combo_GetItems(*a, tp(), STRING_IP_ADRESS); }
    // Picks item `index` from the menu that the next action opens.
    void PickFromNextMenu(int index, bool* seen) {
        auto* timer = new QTimer(&qapp);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, index, seen] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            timer->stop();
            timer->deleteLater();
            *seen = true;
            menu->setActiveAction(menu->actions().value(index));
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(menu, &enter);
        });
        timer->start(10);
    }
};

TEST_F(QtDropDownTest, TypingCompletesAndBackspaceRemovesTheCompletion) {
    Type("S");
    EXPECT_EQ(field->text().toStdString(), "Sensor-east");
    EXPECT_EQ(field->selectedText().toStdString(), "ensor-east");
    Key(Qt::Key_Backspace);
    EXPECT_EQ(field->text().toStdString(), "S");
    EXPECT_FALSE(field->hasSelectedText());
    Type("e");
    EXPECT_EQ(field->text().toStdString(), "Sensor-east");
    EXPECT_EQ(field->selectedText().toStdString(), "nsor-east");
    Type("n");  // the typed character replaces the selected completion
    EXPECT_EQ(field->text().toStdString(), "Sensor-east");
    EXPECT_EQ(field->selectedText().toStdString(), "sor-east");
    Key(Qt::Key_Return);
    EXPECT_EQ(Hosts(),
              (std::vector<std::string>{"Sensor-east", "x", "sensor-east", "192.168.0.5"}));
}

TEST_F(QtDropDownTest, AOneCharacterHostIsNotOffered) {
    Type("x");
    EXPECT_EQ(field->text().toStdString(), "x");
    EXPECT_FALSE(field->hasSelectedText());
}

TEST_F(QtDropDownTest, PickingFromTheArrowMenuCommitsTheItem) {
    ui->SetCtrlDimmed(tp(), BUTTON_ACCEPT, false);
    auto* arrow = field->parentWidget()->findChild<QToolButton*>(field->objectName() +
                                                                 QStringLiteral("_ARROW"));
    ASSERT_NE(arrow, nullptr);
    bool seen = false;
    PickFromNextMenu(2, &seen);
    arrow->click();
    ASSERT_TRUE(seen);
    EXPECT_EQ(field->text().toStdString(), "192.168.0.5");
    EXPECT_EQ(field->selectedText().toStdString(), "192.168.0.5");
    EXPECT_EQ(Hosts(), (std::vector<std::string>{"192.168.0.5", "x", "sensor-east"}));
    EXPECT_STREQ(a->s.link.host, "192.168.0.5");
    EXPECT_TRUE(ui->GetCtrlDimmed(tp(), BUTTON_ACCEPT));
}

TEST_F(QtDropDownTest, TheDownKeyOpensTheMenu) {
    bool seen = false;
    PickFromNextMenu(1, &seen);
    Key(Qt::Key_Down);
    ASSERT_TRUE(seen);
    EXPECT_EQ(field->text().toStdString(), "sensor-east");
    EXPECT_EQ(Hosts().front(), "sensor-east");
}

}  // namespace
}  // namespace lq
