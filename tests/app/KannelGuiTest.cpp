// The desktop program on a computer without a modem, switched to a Kannel on
// loopback (tests/kannel/rig.sh, named by KANNEL_RIG_DIR) through File >
// Send Through, sends a campaign of personal texts (one and several parts,
// GSM 7-bit and UCS2): every row is sent and delivered in the window and the
// store, once, every part reaches the fake SMSC once, and a STOP reply
// (KANNEL_MO) reaches the inbox and the opt-out list.
// tests/kannel/run-gui-test.sh starts the rig and runs this test.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <map>
#include <memory>

#include "app/CDlgGateway.h"
#include "app/CMainFrame.h"
#include "app/CVantorApp.h"
#include "campaign/store/CampaignStore.h"
#include "campaign/ui/CCampaignRowsModel.h"
#include "campaign/ui/CMessageEdit.h"
#include "campaign/ui/CVantorView.h"
#include "device/fake/FakeBackend.h"
#include "tests/campaign_ui/GuiTestSupport.h"

namespace {

// KEY=VALUE lines of the rig's rig.env.
QMap<QString, QString> ReadEnv(const QString& path) {
    QMap<QString, QString> env;
    for (const QByteArray& line : ReadBytes(path).split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0) {
            env[QString::fromUtf8(line.left(eq))] = QString::fromUtf8(line.mid(eq + 1)).trimmed();
        }
    }
    return env;
}

TEST(KannelGui, CampaignThroughKannelIsSentAndDeliveredOnce) {
    const QString rig = qEnvironmentVariable("KANNEL_RIG_DIR");
    if (rig.isEmpty()) {
        GTEST_SKIP() << "needs a running Kannel: tests/kannel/run-gui-test.sh sets KANNEL_RIG_DIR";
    }
    if (!GatewayAvailable()) {
        GTEST_SKIP() << "this build cannot send through Kannel";
    }
    const QMap<QString, QString> env = ReadEnv(rig + QStringLiteral("/rig.env"));
    ASSERT_TRUE(env.contains(QStringLiteral("SENDSMS_URL"))) << rig.toStdString();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());  // the password file
    // The settings are new: the script runs this test alone.

    // No modem at all.
    FakeBackend::FakePlatform platform;
    RecordedBoxes boxes;
    auto app = std::make_unique<CVantorApp>(
        [&platform](const std::string&, std::shared_ptr<DeviceLink::IMbnInterfaceManager>* m) {
            return platform.Factory()(m);
        });
    ASSERT_TRUE(app->InitInstance({QStringLiteral("vantorix"), QStringLiteral("--no-trace")}));
    CMainFrame* frame = app->MainFrame();
    CVantorView* view = frame->GetActiveView();
    auto* start = view->findChild<QPushButton*>(QStringLiteral("startButton"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(start->isEnabled());

    // File > Send Through...: the user fills the dialog and presses OK.
    QTimer::singleShot(0, frame, [&] {
        auto* dialog = frame->findChild<CDlgGateway*>();
        ASSERT_NE(dialog, nullptr);
        dialog->GetWay()->setCurrentIndex(1);
        dialog->GetUrl()->setText(env.value(QStringLiteral("SENDSMS_URL")));
        dialog->GetUser()->setText(env.value(QStringLiteral("KANNEL_USER")));
        dialog->GetPassword()->setText(
            QString::fromUtf8(ReadBytes(env.value(QStringLiteral("KANNEL_PASSWORD_FILE")))));
        dialog->GetListen()->setText(env.value(QStringLiteral("LISTEN")));
        dialog->GetParallel()->setValue(8);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    boxes.boxes.clear();
    frame->OnGateway();
    ASSERT_TRUE(boxes.boxes.empty()) << boxes.Texts().join(QLatin1Char('|')).toStdString();
    ASSERT_TRUE(app->UsesGateway());
    QCoreApplication::processEvents();
    ASSERT_TRUE(start->isEnabled());

    // One text of each kind in turn: its parts with the signature.
    const struct {
        QString text;
        int parts;
    } kinds[] = {{QStringLiteral("Your order is ready [ref \u20AC5]."), 1},
                 {QStringLiteral("\u0412\u0430\u0448 \u0437\u0430\u043A\u0430\u0437 "
                                 "\u0433\u043E\u0442\u043E\u0432."),
                  1},
                 {QStringLiteral("Long notice: ") + QString(180, QLatin1Char('x')), 2},
                 {QStringLiteral("\u0414\u043B\u0438\u043D\u043D\u043E\u0435: ") +
                      QString(90, QChar(0x0436)),
                  2}};
    constexpr int kNumbers = 60;
    QByteArray table("phone,text\r\n");
    std::map<std::string, int> parts;  // by number
    for (int i = 0; i < kNumbers; ++i) {
        const QString number = QStringLiteral("+4915110%1").arg(i, 5, 10, QLatin1Char('0'));
        table += (number + QLatin1Char(',') + kinds[i % 4].text + QStringLiteral("\r\n")).toUtf8();
        parts[number.toStdString()] = kinds[i % 4].parts;
    }
    const QString numbers = dir.filePath(QStringLiteral("numbers.csv"));
    ASSERT_TRUE(WriteBytes(numbers, table));
    view->SetFileChooser([numbers] { return numbers; });
    view->OnBnClickedBrowse();
    view->findChild<CMessageEdit*>(QStringLiteral("message"))->SetText(QStringLiteral("{text}"));
    boxes.boxes.clear();
    QTest::mouseClick(start, Qt::LeftButton);
    const std::int64_t campaign = view->GetCampaign();
    ASSERT_NE(campaign, 0) << boxes.Texts().join(QLatin1Char('|')).toStdString();

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((view->IsSending() || view->GetDeliveredCount() < kNumbers) &&
           std::chrono::steady_clock::now() < deadline) {
        QTest::qWait(20);
    }
    frame->grab().save(rig + QStringLiteral("/window.png"));
    EXPECT_EQ(frame->GetProgressPaneText().toStdString(),
              QStringLiteral("Sent %1, Delivered %1, Failed 0 of %1").arg(kNumbers).toStdString());
    ASSERT_EQ(view->GetModel()->rowCount(), kNumbers);
    for (int row = 0; row < kNumbers; ++row) {
        const auto cell = [&](int column) {
            return view->GetModel()->index(row, column).data().toString().toStdString();
        };
        EXPECT_EQ(cell(CCampaignRowsModel::ColumnStatus), "SMS Sent Successfully.") << row;
        EXPECT_EQ(cell(CCampaignRowsModel::ColumnDelivery).rfind("Delivered ", 0), 0u)
            << row << " " << cell(CCampaignRowsModel::ColumnDelivery);
    }
    ASSERT_EQ(boxes.boxes.size(), 1u) << boxes.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(boxes.boxes[0].text.startsWith(QStringLiteral("The Campaign has Ended.")));

    // Every part at the fake SMSC once (it logs each before it reports it).
    const QRegularExpression got(QStringLiteral("Got message \\d+: <\\S+ (\\S+) "));
    std::map<std::string, int> reached;
    for (const QByteArray& line : ReadBytes(rig + QStringLiteral("/fakesmsc.err")).split('\n')) {
        const QRegularExpressionMatch match = got.match(QString::fromUtf8(line));
        if (match.hasMatch()) {
            ++reached[match.captured(1).toStdString()];
        }
    }
    EXPECT_EQ(reached, parts);

    // The store: every row sent (and each of its parts handed over) once.
    CCampaignStore store;
    StoreError e;
    std::vector<RowRecord> rows;
    std::vector<StoreEvent> events;
    ASSERT_TRUE(store.Open(app->StorePath().toStdString(), StoreMode::Read, e) &&
                store.GetRows(campaign, rows, e) && store.GetEvents(campaign, events, e))
        << e.text;
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kNumbers));
    std::map<std::int64_t, int> sentEvents;
    for (const StoreEvent& event : events) {
        if (event.row && event.to == ToString(SendState::Sent) && !event.part) {
            ++sentEvents[*event.row];
        }
    }
    for (const RowRecord& row : rows) {
        EXPECT_EQ(row.state, SendState::Sent) << row.number;
        EXPECT_EQ(row.delivery, DeliveryState::Delivered) << row.number;
        EXPECT_EQ(sentEvents[row.order], 1) << row.number;
        EXPECT_EQ(static_cast<int>(std::max<std::size_t>(row.parts.size(), 1)), parts[row.number])
            << row.number;
    }
    // The reply the fake SMSC sent at once (smsbox posts it again until the
    // listener takes it): in the inbox, its sender opted out.
    const std::string stopper =
        qEnvironmentVariable("KANNEL_MO").section(QLatin1Char(' '), 0, 0).toStdString();
    bool optedOut = false;
    while (store.IsOptedOut(stopper, optedOut, e) && !optedOut &&
           std::chrono::steady_clock::now() < deadline + std::chrono::seconds(20)) {
        QTest::qWait(50);
    }
    EXPECT_TRUE(optedOut) << stopper << " " << e.text;
    std::vector<MessageRecord> replies;
    ASSERT_TRUE(store.ListMessages({}, replies, e)) << e.text;
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].from + " " + replies[0].text, stopper + " STOP");
    store.Close();
    const QString storePath = app->StorePath();
    app.reset();
    // Started again, the program sends through Kannel: the saved choice.
    app = std::make_unique<CVantorApp>();
    ASSERT_TRUE(app->InitInstance({QStringLiteral("vantorix"), QStringLiteral("--no-trace")}));
    EXPECT_TRUE(app->UsesGateway()) << boxes.Texts().join(QLatin1Char('|')).toStdString();
    app.reset();  // lets smsbox's connections go before the rig stops
    const QByteArray password =
        ReadBytes(env.value(QStringLiteral("KANNEL_PASSWORD_FILE"))).trimmed();
    ASSERT_FALSE(password.isEmpty());
    EXPECT_FALSE(ReadBytes(storePath).contains(password)) << "the password is in the store";
}

}  // namespace
