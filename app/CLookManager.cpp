#include "app/CLookManager.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace {

struct Scheme {
    const char* style;
    QColor window;
    QColor windowText;
    QColor button;
    QColor buttonText;
    QColor base;
    QColor alternateBase;
    QColor text;
    QColor highlight;
    QColor highlightedText;
};

Scheme SchemeOf(int id) {
    switch (id) {
        case CLookManager::kWindows2000:  // classic grey, navy selection
            return {"Windows", QColor(0xD4D0C8), Qt::black, QColor(0xD4D0C8), Qt::black,
                    Qt::white, QColor(0xF0EFEB), Qt::black, QColor(0x0A246A), Qt::white};
        case CLookManager::kOfficeXP:  // off-white menus, steel-blue selection
            return {"Fusion",  QColor(0xF1F0EC), Qt::black, QColor(0xF7F6F3), Qt::black,
                    Qt::white, QColor(0xF7F6F3), Qt::black, QColor(0xB6BDD2), Qt::black};
        case CLookManager::kWindowsXP:  // beige dialogs, royal-blue selection
            return {"Fusion",  QColor(0xECE9D8), Qt::black, QColor(0xF4F3EE), Qt::black,
                    Qt::white, QColor(0xF6F5EE), Qt::black, QColor(0x316AC5), Qt::white};
        case CLookManager::kOffice2003:  // light blue, marigold selection
            return {"Fusion",  QColor(0xD6E6FB), Qt::black, QColor(0xE3EFFF), Qt::black,
                    Qt::white, QColor(0xEEF5FF), Qt::black, QColor(0xFFD38C), Qt::black};
        case CLookManager::kVisualStudio2005:  // warm grey, pale blue selection
            return {"Fusion",  QColor(0xEEEDE5), Qt::black, QColor(0xF7F6F1), Qt::black,
                    Qt::white, QColor(0xF5F4EE), Qt::black, QColor(0xC1D2EE), Qt::black};
        case CLookManager::kOffice2007Blue:
            return {"Fusion",         QColor(0xBFDBFF), QColor(0x15428B), QColor(0xDDEBFD),
                    QColor(0x15428B), Qt::white,        QColor(0xEEF5FF), Qt::black,
                    QColor(0xFFD86B), Qt::black};
        case CLookManager::kOffice2007Silver:
            return {"Fusion",         QColor(0xD0D4DD), QColor(0x3B3B3B), QColor(0xE7E9EE),
                    QColor(0x3B3B3B), Qt::white,        QColor(0xF2F3F6), Qt::black,
                    QColor(0xFFD86B), Qt::black};
        case CLookManager::kOffice2007Aqua:
            return {"Fusion",         QColor(0xC4DDE3), QColor(0x1E4E5C), QColor(0xDDEEF1),
                    QColor(0x1E4E5C), Qt::white,        QColor(0xEEF7F9), Qt::black,
                    QColor(0xFFD86B), Qt::black};
        case CLookManager::kOffice2007Black:
        default:
            return {"Fusion",         QColor(0x4B4B4B), QColor(0xF2F2F2), QColor(0x5E5E5E),
                    QColor(0xFFFFFF), Qt::white,        QColor(0xF2F2F2), Qt::black,
                    QColor(0xFFC45C), Qt::black};
    }
}

}  // namespace

QString CLookManager::MenuText(int id) {
    switch (id) {
        case kWindows2000:
            return QStringLiteral("Windows &2000");
        case kOfficeXP:
            return QStringLiteral("Office &XP");
        case kWindowsXP:
            return QStringLiteral("&Windows XP");
        case kOffice2003:
            return QStringLiteral("Office 200&3");
        case kVisualStudio2005:
            return QStringLiteral("Visual Studio.NET 200&5");
        case kOffice2007Blue:
            return QStringLiteral("&Blue Style");
        case kOffice2007Black:
            return QStringLiteral("B&lack Style");
        case kOffice2007Silver:
            return QStringLiteral("&Silver Style");
        case kOffice2007Aqua:
            return QStringLiteral("&Aqua Style");
        default:
            return {};
    }
}

void CLookManager::Apply(int id) {
    // Outside the table: the Office 2007 family, its current style kept.
    const int look =
        IsLook(id) ? id : (CurrentLook() >= kOffice2007Blue ? CurrentLook() : kDefaultLook);
    const Scheme scheme = SchemeOf(look);
    if (QStyle* style = QStyleFactory::create(QString::fromLatin1(scheme.style))) {
        QApplication::setStyle(style);
    }
    QPalette palette;
    palette.setColor(QPalette::Window, scheme.window);
    palette.setColor(QPalette::WindowText, scheme.windowText);
    palette.setColor(QPalette::Button, scheme.button);
    palette.setColor(QPalette::ButtonText, scheme.buttonText);
    palette.setColor(QPalette::Base, scheme.base);
    palette.setColor(QPalette::AlternateBase, scheme.alternateBase);
    palette.setColor(QPalette::Text, scheme.text);
    palette.setColor(QPalette::Highlight, scheme.highlight);
    palette.setColor(QPalette::HighlightedText, scheme.highlightedText);
    palette.setColor(QPalette::ToolTipBase, QColor(0xFFFFE1));
    palette.setColor(QPalette::ToolTipText, Qt::black);
    palette.setColor(QPalette::PlaceholderText, QColor(0x808080));
    // Links stay readable on dark and light windows alike.
    palette.setColor(QPalette::Link,
                     scheme.window.lightness() < 128 ? QColor(0x9CC3FF) : QColor(0x0B57D0));
    palette.setColor(QPalette::Light, scheme.button.lighter(130));
    palette.setColor(QPalette::Midlight, scheme.button.lighter(110));
    palette.setColor(QPalette::Mid, scheme.button.darker(130));
    palette.setColor(QPalette::Dark, scheme.button.darker(160));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText,
                     scheme.buttonText == QColor(Qt::white) ? QColor(0xA8A8A8) : QColor(0x8C8C8C));
    palette.setColor(QPalette::Disabled, QPalette::WindowText,
                     scheme.windowText.lightness() > 128 ? QColor(0xA8A8A8) : QColor(0x8C8C8C));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x8C8C8C));
    QApplication::setPalette(palette);
    CurrentLook() = look;
}

CLookManager::BarColors CLookManager::Colors(int id) {
    switch (IsLook(id) ? id : kDefaultLook) {
        case kWindows2000:
            return {QColor(0x0A246A), QColor(0xA6CAF0), Qt::white,
                    QColor(0xD4D0C8), QColor(0xD4D0C8), Qt::black,
                    QColor(0xB6BDD2), QColor(0xD4D0C8), Qt::black};
        case kOfficeXP:
            return {QColor(0xF7F6F3), QColor(0xDBD8D1), Qt::black,
                    QColor(0xFCFCFB), QColor(0xEEEDE8), Qt::black,
                    QColor(0xC1D2EE), QColor(0xECE9D8), Qt::black};
        case kWindowsXP:
            return {QColor(0x0058EE), QColor(0x3D95FF), Qt::white,
                    QColor(0xF7F6F0), QColor(0xE3E0CF), Qt::black,
                    QColor(0xFFE7A2), QColor(0xECE9D8), Qt::black};
        case kOffice2003:
            return {QColor(0xDDECFE), QColor(0x81A9E2), QColor(0x15428B),
                    QColor(0xF1F7FF), QColor(0xC4DAFA), Qt::black,
                    QColor(0xFFD38C), QColor(0x9EBEF5), Qt::black};
        case kVisualStudio2005:
            return {QColor(0xFAF9F5), QColor(0xDCD9C9), Qt::black,
                    QColor(0xFCFCFA), QColor(0xECEAE0), Qt::black,
                    QColor(0xC1D2EE), QColor(0xEEEDE5), Qt::black};
        case kOffice2007Blue:
            return {QColor(0xDBE6F4), QColor(0xBFDBFF), QColor(0x15428B),
                    QColor(0xF0F6FE), QColor(0xC7DCF6), QColor(0x15428B),
                    QColor(0xFFE08A), QColor(0xC0D7F4), QColor(0x15428B)};
        case kOffice2007Silver:
            return {QColor(0xF2F3F6), QColor(0xD0D4DD), QColor(0x3B3B3B),
                    QColor(0xFBFBFC), QColor(0xDDE0E6), QColor(0x3B3B3B),
                    QColor(0xFFE08A), QColor(0xDADDE3), QColor(0x3B3B3B)};
        case kOffice2007Aqua:
            return {QColor(0xE4F1F4), QColor(0xB7D7DF), QColor(0x1E4E5C),
                    QColor(0xF4FAFB), QColor(0xCFE5EA), QColor(0x1E4E5C),
                    QColor(0xFFE08A), QColor(0xBFDCE3), QColor(0x1E4E5C)};
        case kOffice2007Black:
        default:
            return {QColor(0x3A3A3A), QColor(0x141414), QColor(0xF2F2F2),
                    QColor(0x5C5C5C), QColor(0x3B3B3B), QColor(0xF2F2F2),
                    QColor(0xFFC45C), QColor(0x1F1F1F), QColor(0xF2F2F2)};
    }
}

int CLookManager::Current() {
    return CurrentLook();
}

int& CLookManager::CurrentLook() {
    static int look = kDefaultLook;
    return look;
}
