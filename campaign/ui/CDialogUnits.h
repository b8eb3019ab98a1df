// Dialog units: a form laid out in them keeps its proportions with any font.
// One horizontal unit is a quarter of the font's average character width, one
// vertical unit an eighth of its height.
#pragma once

#include <QRect>
#include <QSize>

class QFont;

class CDialogUnits final {
public:
    explicit CDialogUnits(const QFont& font);

    int X(int units) const { return (units * m_nBaseX + 2) / 4; }
    int Y(int units) const { return (units * m_nBaseY + 4) / 8; }
    QRect Rect(int x, int y, int width, int height) const {
        return {X(x), Y(y), X(width), Y(height)};
    }
    QSize Size(int width, int height) const { return {X(width), Y(height)}; }

private:
    int m_nBaseX = 6;
    int m_nBaseY = 13;
};
