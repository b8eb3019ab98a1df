// Checks that the Windows build of Qt works as the program uses it: a static
// Qt with its plugins linked in starts on the platform named by the first
// argument, finds fonts, lays out and paints widgets, and offers the native
// style. Prints what it found; exits 0 when all holds.
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QStyleFactory>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

namespace {

bool check(bool ok, const char* what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString expected = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* label = new QLabel(QStringLiteral("Campaign: 3 of 120 sent"), &window);
    layout->addWidget(label);
    layout->addWidget(new QPushButton(QStringLiteral("Pause"), &window));
    window.show();
    QApplication::processEvents();

    const QImage image = window.grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    std::printf("platform %s, style %s, %dx%d, %lld colours\n",
                qPrintable(QGuiApplication::platformName()), qPrintable(app.style()->name()),
                image.width(), image.height(), static_cast<long long>(colours.size()));

    bool ok = check(expected.isEmpty() || QGuiApplication::platformName() == expected,
                    "the platform plugin asked for");
    ok &= check(QFontMetrics(label->font()).horizontalAdvance(label->text()) > 0,
                "fonts: the label's text has a width");
    // Text and a button frame on a plain background: antialiased text alone
    // brings many shades, an empty or unpainted window one or two.
    ok &= check(colours.size() > 8, "the window is painted");
    ok &= check(QStyleFactory::keys().contains(QStringLiteral("windowsvista"), Qt::CaseInsensitive),
                "the native Windows style is linked in");
    return ok ? 0 : 1;
}
