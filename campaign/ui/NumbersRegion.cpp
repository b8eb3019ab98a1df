#include "campaign/ui/NumbersRegion.h"

#include <QLocale>
#include <QSettings>

#include "campaign/phone/PhoneNumber.h"

std::string NumbersRegion() {
    const QString setting = QSettings().value(QLatin1String(kNumbersRegionKey)).toString();
    std::string region = Phone::NormalRegion(setting.trimmed().toStdString());
    if (region.empty()) {
        region = Phone::NormalRegion(
            QLocale::territoryToCode(QLocale::system().territory()).toStdString());
    }
    return region;
}
