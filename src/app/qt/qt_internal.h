// What QtPlatform keeps about each panel and control. Shared by the files of
// the Qt layer only.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "app/qt/qt_platform.h"

class QPushButton;
class QRadioButton;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;
class QTabWidget;

namespace lq::qt {

class NumericDisplay;
class BarWidget;
class GraphWidget;
class StripChart;
class Decoration;

// Text arrives as UTF-8; bytes that are not valid UTF-8 are taken as the
// program's code page, Windows-1252, so that nothing is lost.
QString ToQ(std::string_view text);
std::string FromQ(const QString& text);

struct QtPlatform::Control {
    int panel = 0;
    int id = 0;
    const ControlDesc* desc = nullptr;  // nullptr for run-time text messages
    CtrlKind kind = CtrlKind::Decoration;
    QWidget* widget = nullptr;
    QLabel* label = nullptr;
    // Geometry and fonts at scale 1, in the panel's resource pixels; the
    // widgets show them times the panel's scale factor. For a string field
    // with a drop-down the geometry holds field and arrow together.
    QRect base;
    QFont baseFont;
    QFont labelFont;
    QPixmap picture;  // a picture's image at scale 1
    bool indicator = false;
    bool dimmed = false;
    bool visible = true;
    int precision = 0;
    uint32_t frameColor = 0;
    int maxLength = 0;
    int shortcutKey = 0;  // Qt key code, 0 for none
    bool builtInMenuHidden = false;
    bool settingValue = false;  // a programmatic change is under way: no events
    int ringIndex = -1;         // ring: the item chosen last
    int tabIndex = 0;           // tab control: the page in front
    bool edited = false;        // string: typed into since the last commit
    bool listOpen = false;      // string: its drop-down list is open
    std::vector<int> pages;     // tab control: page panel handles
    std::vector<int> cellValues;
    std::vector<uint32_t> cellColors;
    // Drop-down history attached to a string field.
    DropDownHooks* hooks = nullptr;
    QToolButton* arrow = nullptr;
    QFrame* ddFrame = nullptr;
    uint32_t ddColor = 0;

    QPushButton* Button() const;
    QRadioButton* Radio() const;
    QComboBox* Ring() const;
    QDoubleSpinBox* Spin() const;     // editable numeric
    NumericDisplay* Display() const;  // numeric indicator
    BarWidget* Bar() const;
    QLineEdit* Line() const;
    QPlainTextEdit* Text() const;
    QTableWidget* Table() const;
    GraphWidget* Graph() const;
    StripChart* Strip() const;
    QLabel* Label() const;  // picture, text message
    Decoration* Deco() const;
    QTabWidget* Tab() const;
};

struct QtPlatform::Panel {
    int handle = 0;
    int resource = 0;
    int parent = 0;
    const PanelDesc* desc = nullptr;
    PanelWidget* widget = nullptr;
    // Place and size at scale 1 (a window: its resource size), the factor
    // that everything on the panel is shown at, and where the scaled
    // content starts inside the panel (the band around it stays empty).
    QRect base;
    double scale = 1.0;
    QPoint offset;
    bool topLevel = false;
    bool tabPage = false;
    bool displayed = false;
    int zoom = ZOOM_NORMAL;
    std::string title;
    std::map<int, std::unique_ptr<Control>> controls;
    std::vector<int> children;  // child panels and tab pages
};

}  // namespace lq::qt
