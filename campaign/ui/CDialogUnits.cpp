#include "campaign/ui/CDialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <algorithm>

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_nBaseX = std::max(1, (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2);
    m_nBaseY = std::max(1, metrics.height());
}
