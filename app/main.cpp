// Vantorix: sends one SMS to every number of a numbers file through a USB
// modem, one per second.
#include <QApplication>

#include "app/CVantorApp.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    CVantorApp theApp;
    if (!theApp.InitInstance(QApplication::arguments())) {
        return 1;
    }
    return QApplication::exec();
}
