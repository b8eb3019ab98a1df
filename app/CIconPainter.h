// The program's icons, drawn rather than loaded so that they need no image
// plug-in and stay sharp at any scale. The application icon follows the
// shipped vantorix.svg.
#pragma once

#include <QIcon>

class CIconPainter final {
public:
    enum class Glyph { New, Open, Save, Print, Paste, Cut, Copy, About, Share, Help, Export };

    static QIcon AppIcon();
    static QIcon Command(Glyph glyph);
};
