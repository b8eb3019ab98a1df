// Not a test: times the windowed program. Start-up to a shown window (with
// the discovery split out), loading and showing a 65,535-number file in the
// sending view, the resident memory with those rows, and one keystroke in a
// 1,600-character message (the counter and the parts limit planned anew).
//
//   vantorix_gui_bench [--modem sim|auto|PORT]   (default sim)
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "app/CVantorApp.h"
#include "campaign/ui/CMessageBox.h"
#include "campaign/ui/CMessageEdit.h"
#include "campaign/ui/CVantorView.h"

namespace {

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

double Ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    const QString modem = args.size() > 2 ? args[2] : QStringLiteral("sim");
    CMessageBox::SetHandler(
        [](QWidget*, CMessageBox::Kind, const QString&) { return QMessageBox::No; });

    QTemporaryDir dir;
    const QString numbers = dir.filePath(QStringLiteral("big.txt"));
    {
        QString text = QStringLiteral("\uFEFF");
        for (int i = 0; i < 65535; ++i) {
            text += QStringLiteral("+4477%1\r\n").arg(i, 8, 10, QLatin1Char('0'));
        }
        QFile file(numbers);
        if (!file.open(QIODevice::WriteOnly)) {
            return 1;
        }
        file.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    }

    const long rssBefore = ResidentKiB();
    QElapsedTimer timer;
    timer.start();
    CVantorApp app;
    if (!app.InitInstance({args[0], QStringLiteral("--modem"), modem})) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    const double initMs = Ms(timer);
    CMainFrame* frame = app.MainFrame();
    QApplication::processEvents();
    frame->grab();  // one full paint of the window
    const double shownMs = Ms(timer);
    const double processToShownMs = Ms(sinceStart);

    // Discovery alone, as a hot-plug runs it.
    timer.restart();
    app.RunDiscovery();
    const double discoveryMs = Ms(timer);

    CVantorView* view = frame->GetActiveView();
    std::vector<double> loads;
    for (int run = 0; run < 5; ++run) {
        view->SetFileChooser([numbers] { return numbers; });
        timer.restart();
        view->OnBnClickedBrowse();
        view->GetList()->viewport()->grab();  // the rows on screen, painted
        loads.push_back(Ms(timer));
        // Scroll to the end and back, painted.
        view->GetList()->scrollToBottom();
        view->GetList()->viewport()->grab();
        view->GetList()->scrollToTop();
    }
    std::sort(loads.begin(), loads.end());
    const long rssAfter = ResidentKiB();

    // Keystrokes in a 1,600-character message: the key event, the fit check,
    // the counter and the text's own work, each one's time.
    PduLib::MessageOptions options;
    options.maxParts = PduLib::kMostParts;
    app.DeviceFront().SetMessageOptions(options);
    auto* edit = view->findChild<CMessageEdit*>(QStringLiteral("message"));
    struct Typing {
        const char* name;
        QString text;
        QChar key;
    };
    const Typing typings[] = {
        {"GSM 7-bit", QString(1600, QLatin1Char('g')), QLatin1Char('x')},
        {"GSM 7-bit with look-alikes", QStringLiteral("\u201Cquoted\u201D \u2014 ").repeated(100),
         QLatin1Char('x')},
        {"Unicode (Cyrillic)", QString(1600, QChar(0x0436)), QChar(0x0444)},
    };
    // The same keystrokes in a bare field of the same size, for what the text
    // itself costs without the fit check and the counter.
    QPlainTextEdit bare(view);
    bare.setLineWrapMode(QPlainTextEdit::NoWrap);
    bare.setGeometry(edit->geometry().translated(0, edit->height()));
    bare.show();
    std::vector<std::pair<const char*, std::vector<double>>> keystrokes;
    for (const Typing& typing : typings) {
        std::vector<double> bareTimes;
        bare.setPlainText(typing.text);
        bare.moveCursor(QTextCursor::End);
        QApplication::processEvents();
        for (int i = 0; i < 200; ++i) {
            const bool erase = i % 2 == 1;
            QKeyEvent press(QEvent::KeyPress, erase ? Qt::Key_Backspace : Qt::Key_unknown,
                            Qt::NoModifier, erase ? QString() : QString(typing.key));
            timer.restart();
            QApplication::sendEvent(&bare, &press);
            QApplication::processEvents();
            bareTimes.push_back(Ms(timer));
        }
        std::sort(bareTimes.begin(), bareTimes.end());
        std::printf("keystroke in a bare field, 1,600 characters, %s: median %.3f ms\n",
                    typing.name, bareTimes[bareTimes.size() / 2]);

        edit->SetText(typing.text);
        edit->moveCursor(QTextCursor::End);
        QApplication::processEvents();
        std::vector<double> times;
        for (int i = 0; i < 200; ++i) {
            const bool erase = i % 2 == 1;
            QKeyEvent press(QEvent::KeyPress, erase ? Qt::Key_Backspace : Qt::Key_unknown,
                            Qt::NoModifier, erase ? QString() : QString(typing.key));
            timer.restart();
            QApplication::sendEvent(edit, &press);
            QApplication::processEvents();
            times.push_back(Ms(timer));
        }
        std::sort(times.begin(), times.end());
        // The counter's part of it: planning the whole message once.
        const std::u16string whole(reinterpret_cast<const char16_t*>(typing.text.utf16()),
                                   static_cast<std::size_t>(typing.text.size()));
        timer.restart();
        for (int i = 0; i < 1000; ++i) {
            if (!app.Front().PlanSms(whole).ok()) {
                return 1;
            }
        }
        times.push_back(Ms(timer) / 1000);  // last: one plan
        keystrokes.emplace_back(typing.name, std::move(times));
    }

    std::printf("process start to shown window (incl. 65,535-line file written): %.1f ms\n",
                processToShownMs);
    std::printf("InitInstance (device link, discovery x2, window, document): %.1f ms\n", initMs);
    std::printf("InitInstance + first paint: %.1f ms\n", shownMs);
    std::printf("one discovery: %.1f ms\n", discoveryMs);
    std::printf("65,535 rows loaded and painted: min %.1f ms, median %.1f ms, max %.1f ms\n",
                loads.front(), loads[loads.size() / 2], loads.back());
    std::printf("rows in the view: %d\n", view->GetList()->model()->rowCount());
    std::printf("resident memory: %.1f MB before start-up, %.1f MB with 65,535 rows\n",
                rssBefore / 1024.0, rssAfter / 1024.0);
    for (const auto& [name, times] : keystrokes) {
        const std::size_t keys = times.size() - 1;
        std::printf(
            "keystroke in a 1,600-character message, %s: median %.3f ms, 90th %.3f ms, "
            "max %.3f ms; one plan of the message %.3f ms\n",
            name, times[keys / 2], times[keys * 9 / 10], times[keys - 1], times.back());
    }
    frame->close();
    return 0;
}
