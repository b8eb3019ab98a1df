// The visual looks of the program (commands 210 to 218): a widget style, a
// palette and the colours of the command bar for each.
#pragma once

#include <QColor>
#include <QString>

class CLookManager final {
public:
    static constexpr int kWindows2000 = 210;
    static constexpr int kOfficeXP = 211;
    static constexpr int kWindowsXP = 212;
    static constexpr int kOffice2003 = 213;
    static constexpr int kVisualStudio2005 = 214;
    static constexpr int kOffice2007Blue = 215;
    static constexpr int kOffice2007Black = 216;
    static constexpr int kOffice2007Silver = 217;
    static constexpr int kOffice2007Aqua = 218;
    static constexpr int kFirstLook = kWindows2000;
    static constexpr int kLastLook = kOffice2007Aqua;
    static constexpr int kDefaultLook = kOffice2007Black;

    // Colours of the command bar and the status bar.
    struct BarColors {
        QColor top;       // bar background, top of the gradient
        QColor bottom;    // bar background, bottom of the gradient
        QColor text;      // text on the bar
        QColor panelTop;  // panel area of the category
        QColor panelBottom;
        QColor panelText;  // text inside panels
        QColor hover;      // a button under the mouse or pressed
        QColor statusBar;  // status bar background
        QColor statusText;
    };

    static bool IsLook(int id) { return id >= kFirstLook && id <= kLastLook; }
    // The text of the look's command in the menus ("B&lack Style").
    static QString MenuText(int id);
    // Applies the look's style and palette to the whole application. An id
    // outside 210 to 218 keeps the Office 2007 family with the current style.
    static void Apply(int id);
    static BarColors Colors(int id);
    // The look in use (after Apply).
    static int Current();

private:
    static int& CurrentLook();
};
