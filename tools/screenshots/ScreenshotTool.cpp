// Takes the pictures of the program for docs/: the main window idle, while
// sending and when finished, the message counter with a GSM 7-bit and a
// Unicode text, the numbers preview with what will arrive, the History
// dialog, the Inbox, the start-up offer of an interrupted campaign, a
// campaign of personal messages from a .csv table with its preview, a
// planned campaign and the question about a late one, and the About box. Runs the
// real program with the simulated modem (`--modem sim`); message boxes are
// recorded rather than shown, so nothing waits for a click.
//
//   vantorix_screenshots OUTPUT_DIR [--modem sim|PORT]
#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CVantorApp.h"
#include "campaign/CCampaignLoop.h"
#include "campaign/store/CampaignStore.h"
#include "campaign/ui/CDlgHistory.h"
#include "campaign/ui/CDlgInbox.h"
#include "campaign/ui/CDlgNumbersPreview.h"
#include "campaign/ui/CMessageBox.h"
#include "campaign/ui/CMessageEdit.h"
#include "campaign/ui/CVantorView.h"

namespace {

bool Save(QWidget* widget, const QString& path) {
    widget->repaint();
    QApplication::processEvents();
    const bool saved = widget->grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QTest::qWait(50);
    }
    return true;
}

// Replies to the campaigns of WriteHistoryStore, as UCS2 SMS-DELIVER PDUs
// received on 6 December 2026 (TS 23.040 9.2.2.1).
bool WriteReplies(const QString& path) {
    const struct {
        const char* digits;  // twelve, international
        const char* time;    // hhmm
        const char* text;
    } replies[] = {
        {"447700910123", "1405", "Will there be parking at Elm Street?"},
        {"447700918042", "1411", "STOP"},
        {"447700925961", "1432", "Thanks! See you Saturday"},
        {"447700933880", "1517", "Can I bring my dog?"},
    };
    auto swapped = [](const char* two) { return std::string{two[1], two[0]}; };
    CCampaignStore store;
    StoreError error;
    if (!store.Open(path.toStdString(), StoreMode::Read, error)) {
        return false;
    }
    for (const auto& r : replies) {
        std::string pdu = "00040C91";
        for (int i = 0; i < 12; i += 2) {
            pdu += swapped(r.digits + i);
        }
        pdu += "0008622160" + swapped(r.time) + swapped(r.time + 2) + "0000";
        QString ud;
        for (const QChar c : QString::fromUtf8(r.text)) {
            ud += QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
        }
        pdu += QStringLiteral("%1")
                   .arg(ud.size() / 2, 2, 16, QLatin1Char('0'))
                   .toUpper()
                   .toStdString() +
               ud.toStdString();
        ReceiveResult result;
        if (!store.Receive(pdu, std::chrono::system_clock::now(), result, error) ||
            result.kind != ReceiveResult::Kind::Message) {
            return false;
        }
    }
    return true;
}

// A store with three past campaigns for the History dialog: one finished,
// one stopped, and one interrupted with a send whose outcome is unknown.
bool WriteHistoryStore(const QString& path) {
    std::int64_t clock = 1'796'565'720'000;  // 2026-12-06 14:02 UTC
    StoreOptions options;
    options.clock = [&clock] {
        clock += 2'700;
        return StoreTime(std::chrono::milliseconds(clock));
    };
    const struct {
        const char* message;
        int numbers, sent, failed, sending;
        CampaignState end;
        std::int64_t pause;  // ms before the campaign starts
    } campaigns[] = {
        {"Spring sale: 20% off all garden tools until Sunday. Reply STOP to opt out.", 240, 236, 4,
         0, CampaignState::Finished, 0},
        {"Reminder: the school trip leaves at 8:15 from the main gate.", 58, 31, 0, 0,
         CampaignState::Stopped, 3 * 86'400'000LL},
        {"Open day on Saturday 10-4 at Elm Street. Bring a friend!", 5000, 1203, 0, 2,
         CampaignState::Interrupted, 2 * 86'400'000LL},
    };
    CCampaignStore store;
    StoreError error;
    if (!store.Open(path.toStdString(), StoreMode::Send, error, options)) {
        return false;
    }
    for (const auto& c : campaigns) {
        clock += c.pause;
        NewCampaign campaign{
            c.message, "GSM 7-bit", 1, "/home/user/customers.txt", ContentHash(c.message),
            "{}",      {}};
        for (int i = 0; i < c.numbers; ++i) {
            campaign.numbers.push_back("+4477009" + std::to_string(10123 + i * 7919 % 89999));
        }
        std::int64_t id = 0;
        if (!store.CreateCampaign(campaign, id, error)) {
            return false;
        }
        for (int row = 0; row < c.sent + c.failed + c.sending; ++row) {
            const bool failed = row % 60 == 59 && row / 60 < c.failed;
            if (!store.MarkSending(id, row, std::nullopt, "Vantorix Mobile", error)) {
                return false;
            }
            if (row >= c.sent + c.failed) {
                continue;  // still with the modem when the program stopped
            }
            const SendUpdate result(id, row, std::nullopt,
                                    failed ? SendState::Failed : SendState::Sent,
                                    failed ? "Failed: Invalid Destination Number" : "Sent",
                                    failed ? 0x8054820A : 0, row + 1, row % 256);
            if (!store.RecordResult(result, error)) {
                return false;
            }
        }
        if (c.end != CampaignState::Interrupted && !store.SetCampaignState(id, c.end, error)) {
            return false;
        }
    }
    store.Close();
    // Opening it again to send finds the interrupted campaign, as the
    // program does after a crash.
    return store.Open(path.toStdString(), StoreMode::Send, error, options);
}

}  // namespace

// A campaign to 5,000 numbers cut short on 6 Dec 14:02 (local time) with
// 1,203 sent and two sends in flight, left running as a killed sender
// leaves it.
bool WriteInterruptedCampaign(const QString& path) {
    const QDateTime at(QDate(QDate::currentDate().year(), 12, 6), QTime(14, 2));
    StoreOptions options;
    options.clock = [&at] { return StoreTime(std::chrono::milliseconds(at.toMSecsSinceEpoch())); };
    CCampaignStore store;
    StoreError error;
    NewCampaign campaign{"Open day on Saturday 10-4 at Elm Street.",
                         "GSM 7-bit",
                         1,
                         "/home/ann/customers.txt",
                         "fnv1a64:0000000000000000",
                         "{}",
                         {}};
    for (int i = 0; i < 5000; ++i) {
        campaign.numbers.push_back("+4477009" + std::to_string(10000 + i));
    }
    std::int64_t id = 0;
    std::vector<SendUpdate> updates;
    for (int row = 0; row < 1205; ++row) {
        updates.emplace_back(id, row, std::nullopt, SendState::Sending);
        if (row < 1203) {
            updates.emplace_back(id, row, std::nullopt, SendState::Sent, "Sent");
        }
    }
    if (!store.Open(path.toStdString(), StoreMode::Send, error, options) ||
        !store.CreateCampaign(campaign, id, error)) {
        return false;
    }
    for (SendUpdate& update : updates) {
        update.campaign = id;
    }
    return store.Apply(updates, error);
}

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: vantorix_screenshots OUTPUT_DIR [--modem sim|PORT]\n");
        return 2;
    }
    const QDir out(args[1]);
    const QString modem = args.size() > 3 ? args[3] : QStringLiteral("sim");
    QStringList boxes;
    CMessageBox::SetHandler([&boxes](QWidget*, CMessageBox::Kind, const QString& text) {
        boxes << text;
        return QMessageBox::Ok;
    });

    QTemporaryDir dir;
    const QString numbers = dir.filePath(QStringLiteral("customers.txt"));
    {
        QString text = QStringLiteral("\uFEFF");
        for (int i = 0; i < 14; ++i) {
            text += QStringLiteral("+4477009%1\r\n")
                        .arg(10123 + i * 7919 % 89999, 5, 10, QLatin1Char('0'));
        }
        QFile file(numbers);
        if (!file.open(QIODevice::WriteOnly)) {
            return 1;
        }
        file.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    }
    const QString campaign = dir.filePath(QStringLiteral("spring-open-day.sms"));
    {
        CVantorDoc doc;
        doc.m_strNumbersFile = numbers;
        doc.m_strMessage =
            QStringLiteral("Open day on Saturday 10-4 at Elm Street.\r\nBring a friend!");
        QString error;
        if (!doc.OnSaveDocument(campaign, error)) {
            return 1;
        }
    }

    // Never the user's own campaign store.
    const QString liveStore = dir.filePath(QStringLiteral("live.sqlite"));
    CVantorApp app;
    if (!app.InitInstance({args[0], QStringLiteral("--modem"), modem, QStringLiteral("--store"),
                           liveStore, campaign})) {
        std::fprintf(stderr, "start-up failed: %s\n", qPrintable(boxes.join(QLatin1Char('\n'))));
        return 1;
    }
    CMainFrame* frame = app.MainFrame();
    frame->move(0, 0);
    QApplication::setActiveWindow(frame);
    QTest::qWait(300);
    CVantorView* view = frame->GetActiveView();
    bool ok = Save(frame, out.filePath(QStringLiteral("main-idle.png")));

    view->OnBnClickedStart();
    WaitFor([view] { return view->Loop().GetCounts().sent >= 5; }, 15000);
    ok = Save(frame, out.filePath(QStringLiteral("main-sending.png"))) && ok;

    const bool finished = WaitFor([view] { return !view->Loop().HasWorkLeft(); }, 40000);
    QTest::qWait(200);
    ok = Save(frame, out.filePath(QStringLiteral("main-finished.png"))) && ok && finished;

    // The counter under the message: look-alikes replaced in a GSM 7-bit
    // text of two parts, then a Unicode text of two parts.
    auto* message = view->findChild<CMessageEdit*>(QStringLiteral("message"));
    message->SetText(QStringLiteral(
        "Open day on Saturday 10\u20134 at Elm Street \u2013 \u201Cbring a friend\u201D\u2026\r\n"
        "Free coffee, tea & cake; children\u2019s corner with games and face painting."));
    QTest::qWait(200);
    ok = Save(frame, out.filePath(QStringLiteral("main-counter-gsm.png"))) && ok;
    const QString unicode = QStringLiteral(
        "\u041F\u0440\u0438\u0432\u0435\u0442! \u0414\u0435\u043D\u044C "
        "\u043E\u0442\u043A\u0440\u044B\u0442\u044B\u0445 \u0434\u0432\u0435\u0440\u0435\u0439 "
        "\u0432 \u0441\u0443\u0431\u0431\u043E\u0442\u0443 \u0441 10 \u0434\u043E 16 "
        "\u2600\u2605\r\n\u041F\u0440\u0438\u0445\u043E\u0434\u0438\u0442\u0435 "
        "\u0441 \u0434\u0440\u0443\u0437\u044C\u044F\u043C\u0438!");
    message->SetText(unicode);
    QTest::qWait(200);
    ok = Save(frame, out.filePath(QStringLiteral("main-counter-unicode.png"))) && ok;

    CDlgNumbersPreview preview(view);
    preview.SetFilePath(numbers);
    const std::u16string text(reinterpret_cast<const char16_t*>(unicode.utf16()),
                              static_cast<std::size_t>(unicode.size()));
    const PduLib::MessagePlan plan = app.Front().PlanSms(text);
    const std::u16string arriving = PduLib::ArrivingText(plan);
    preview.SetMessage(QString::fromUtf16(arriving.data(), static_cast<qsizetype>(arriving.size())),
                       plan.parts);
    preview.OnInitDialog();
    preview.show();
    QTest::qWait(200);
    ok = Save(&preview, out.filePath(QStringLiteral("numbers-preview.png"))) && ok;
    preview.hide();

    // The History dialog over a store of past campaigns, the newest open.
    const QString store = dir.filePath(QStringLiteral("campaigns.sqlite"));
    if (WriteHistoryStore(store)) {
        CDlgHistory history(store, frame);
        history.OnInitDialog();
        history.move(0, 0);
        history.show();
        QTest::qWait(200);
        ok = Save(&history, out.filePath(QStringLiteral("history.png"))) && ok;
        history.hide();
        if (WriteReplies(store)) {
            CDlgInbox inbox(store, frame);
            inbox.OnInitDialog();
            inbox.move(0, 0);
            inbox.show();
            QTest::qWait(200);
            ok = Save(&inbox, out.filePath(QStringLiteral("inbox.png"))) && ok;
            inbox.hide();
        } else {
            std::printf("FAILED to store the replies in %s\n", qPrintable(store));
            ok = false;
        }
    } else {
        std::printf("FAILED to write the campaign store %s\n", qPrintable(store));
        ok = false;
    }

    // The start-up offer of an interrupted campaign, as a real box: grabbed,
    // then answered Later.
    if (WriteInterruptedCampaign(liveStore)) {
        CMessageBox::SetHandler({});
        QTimer::singleShot(300, [&ok, &out] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ok = box != nullptr && Save(box, out.filePath(QStringLiteral("startup-offer.png"))) &&
                 ok;
            if (box != nullptr) {
                box->button(QMessageBox::No)->click();
            }
        });
        frame->OfferInterruptedCampaign();
        CMessageBox::SetHandler([&boxes](QWidget*, CMessageBox::Kind, const QString& text) {
            boxes << text;
            return QMessageBox::Ok;
        });
    } else {
        std::printf("FAILED to write the interrupted campaign\n");
        ok = false;
    }

    // Personal messages from a .csv table, previewed, then sent.
    const QString table = dir.filePath(QStringLiteral("patients.csv"));
    {
        QFile file(table);
        if (!file.open(QIODevice::WriteOnly)) {
            return 1;
        }
        file.write(QStringLiteral("Name;Mobile;Day;Time\r\n"
                                  "Anna;+447700900101;Monday;10:30\r\n"
                                  "Boris;07700 900102;Monday;11:15\r\n"
                                  "Chlo\u00E9;+447700900103;Tuesday;09:00\r\n"
                                  "Anna (again);+44 7700 900101;Tuesday;14:00\r\n"
                                  "Zo\u00EB;+447700900104;Wednesday;16:45\r\n"
                                  "Dmitri;+447700900105;Thursday;08:30\r\n")
                       .toUtf8());
    }
    view->SetFileChooser([table] { return table; });
    view->OnBnClickedBrowse();
    message->SetText(
        QStringLiteral("Dear {Name}, your appointment is on {Day} at {Time}. Reply STOP to opt "
                       "out."));
    QTest::qWait(200);
    ok = Save(frame, out.filePath(QStringLiteral("main-csv.png"))) && ok;
    view->SetPreviewRunner([&ok, &out](CDlgNumbersPreview& dialog) {
        dialog.move(0, 0);
        dialog.resize(dialog.width() * 3 / 2, dialog.height());
        dialog.show();
        QTest::qWait(200);
        ok = Save(&dialog, out.filePath(QStringLiteral("numbers-preview-csv.png"))) && ok;
        dialog.hide();
    });
    view->OnBnClickedDisplay();
    view->OnBnClickedStart();
    const bool sentAll = WaitFor([view] { return !view->Loop().HasWorkLeft(); }, 40000);
    QTest::qWait(200);
    ok = Save(frame, out.filePath(QStringLiteral("main-csv-sent.png"))) && ok && sentAll;

    // Planned for tomorrow 07:30; then one planned for two hours ago, as
    // after a night with the computer off, asked about as a real box.
    view->SetSendAt(QDateTime(QDate::currentDate().addDays(1), QTime(7, 30)));
    view->OnBnClickedStart();
    QTest::qWait(200);
    ok = Save(frame, out.filePath(QStringLiteral("main-planned.png"))) && ok;
    {
        CCampaignStore store;
        StoreError error;
        NewCampaign late{"School trip: the coach leaves at 8:15 from the main gate.",
                         "GSM 7-bit",
                         1,
                         numbers.toStdString(),
                         "fnv1a64:0000000000000001",
                         "{}",
                         {"+447700900201"}};
        late.sendAt = std::chrono::time_point_cast<StoreTime::duration>(
            std::chrono::system_clock::now() - std::chrono::hours(2));
        std::int64_t id = 0;
        if (!store.Open(liveStore.toStdString(), StoreMode::Send, error) ||
            !store.CreateCampaign(late, id, error) ||
            !store.SetCampaignState(id, CampaignState::Stopped, error, "planned")) {
            std::printf("FAILED to plan the late campaign: %s\n", error.text.c_str());
            ok = false;
        }
    }
    CMessageBox::SetHandler({});
    QTimer::singleShot(300, [&ok, &out] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ok = box != nullptr && Save(box, out.filePath(QStringLiteral("late-question.png"))) && ok;
        if (box != nullptr) {
            box->button(QMessageBox::No)->click();
        }
    });
    frame->StartDueCampaigns();
    CMessageBox::SetHandler([&boxes](QWidget*, CMessageBox::Kind, const QString& text) {
        boxes << text;
        return QMessageBox::Ok;
    });

    CAboutDlg about(frame);
    about.show();
    QTest::qWait(200);
    ok = Save(&about, out.filePath(QStringLiteral("about.png"))) && ok;
    about.hide();

    // Two of the other looks, then back to the one in use.
    const int look = frame->GetAppLook();
    frame->OnSelectLook(217);
    QTest::qWait(200);
    ok = Save(frame, out.filePath(QStringLiteral("main-silver.png"))) && ok;
    frame->OnSelectLook(212);
    QTest::qWait(200);
    ok = Save(frame, out.filePath(QStringLiteral("main-windows-xp.png"))) && ok;
    frame->OnSelectLook(look);

    std::printf("message boxes:\n%s\n", qPrintable(boxes.join(QStringLiteral("\n---\n"))));
    frame->close();
    return ok ? 0 : 1;
}
