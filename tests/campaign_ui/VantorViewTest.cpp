// The sending view on a scripted modem: the loop driven tick by tick, the
// results posted back as the device link posts them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextCursor>
#include <chrono>
#include <memory>

#include "campaign/CCampaignLoop.h"
#include "campaign/doc/CVantorDoc.h"
#include "campaign/phone/PhoneNumber.h"
#include "campaign/store/CampaignStore.h"
#include "campaign/ui/CCampaignRowsModel.h"
#include "campaign/ui/CDlgNumbersPreview.h"
#include "campaign/ui/CMessageEdit.h"
#include "campaign/ui/CVantorView.h"
#include "campaign/ui/CViewEventPoster.h"
#include "campaign/ui/NumbersRegion.h"
#include "device/CDeviceFront.h"
#include "device/StatusText.h"
#include "device/fake/FakeBackend.h"
#include "tests/campaign_ui/GuiTestSupport.h"

namespace {

using FakeBackend::FakeInterface;

class VantorViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        platform.manager->interfaces = {modem};
        ASSERT_TRUE(front.Discover());
        front.DeviceLink().SetEventPoster(&poster);
        view = std::make_unique<CVantorView>(front, doc);
        // Ticks come from the test only.
        view->SetTickInterval(std::chrono::hours(24));
        poster.SetActiveView(view.get());
        view->OnInitialUpdate();
        QCoreApplication::processEvents();
        numbers = WriteNumbersFile(dir, QStringLiteral("numbers.txt"),
                                   {QStringLiteral("+447700900001"), QStringLiteral("07700900002"),
                                    QStringLiteral("+447700900001"), QStringLiteral("123"),
                                    QStringLiteral("+447700900003")});
        ASSERT_FALSE(numbers.isEmpty());
    }

    void TearDown() override {
        front.DeviceLink().SetEventPoster(nullptr);
        view.reset();
    }

    QPushButton* Start() const {
        return view->findChild<QPushButton*>(QStringLiteral("startButton"));
    }
    CMessageEdit* Message() const {
        return view->findChild<CMessageEdit*>(QStringLiteral("message"));
    }
    QString Cell(int row, int column) const {
        return view->GetModel()->index(row, column).data().toString();
    }
    QString Status(int row) const { return Cell(row, CCampaignRowsModel::ColumnStatus); }

    // Browse answered with `path`, then `message` typed.
    void ChooseAndType(const QString& path, const QString& message) {
        view->SetFileChooser([path] { return path; });
        view->OnBnClickedBrowse();
        QTest::keyClicks(Message(), message);
    }

    // Every posted result reaches the view.
    static void Deliver() { QCoreApplication::processEvents(); }

    QTemporaryDir dir;
    QString numbers;
    RecordedBoxes boxes;
    FakeBackend::FakePlatform platform;
    std::shared_ptr<FakeInterface> modem =
        FakeInterface::Modem(u"modem0", u"Vantorix Mobile", u"+447785016005");
    CDeviceFront front{platform.Factory()};
    CViewEventPoster poster;
    CVantorDoc doc;
    std::unique_ptr<CVantorView> view;
};

TEST_F(VantorViewTest, RunsAWholeCampaignOneNumberPerTick) {
    ChooseAndType(numbers, QStringLiteral("Meeting at 6"));
    ASSERT_EQ(view->GetModel()->rowCount(), 3);
    EXPECT_EQ(Cell(2, CCampaignRowsModel::ColumnSr), QStringLiteral("3"));
    EXPECT_EQ(Cell(1, CCampaignRowsModel::ColumnNumber), QStringLiteral("07700900002"));
    EXPECT_TRUE(Status(0).isEmpty());
    EXPECT_TRUE(Start()->isEnabled());

    QSignalSpy finished(view.get(), &CVantorView::campaignFinished);
    QTest::mouseClick(Start(), Qt::LeftButton);
    EXPECT_TRUE(view->IsSending());
    EXPECT_EQ(Start()->text(), Q(CVantorView::kStopText));

    for (int row = 0; row < 3; ++row) {
        view->OnTimer();
        ASSERT_EQ(modem->sms->sent.size(), static_cast<std::size_t>(row + 1));
        EXPECT_EQ(Status(row), Q(CCampaignLoop::kPendingText));
    }

    ASSERT_TRUE(platform.manager->CompleteOldestSend(modem->sms, S_OK));
    ASSERT_TRUE(
        platform.manager->CompleteOldestSend(modem->sms, DeviceLink::MBN_E_SMS_MEMORY_FULL));
    Deliver();
    EXPECT_EQ(Status(0), Q(StatusText(S_OK)));
    EXPECT_EQ(Status(1), Q(StatusText(DeviceLink::MBN_E_SMS_MEMORY_FULL)));
    EXPECT_EQ(Status(2), Q(CCampaignLoop::kPendingText));

    // One tick after the last row the loop stops by itself.
    view->OnTimer();
    EXPECT_FALSE(view->IsSending());
    EXPECT_EQ(Start()->text(), Q(CVantorView::kStartText));
    EXPECT_EQ(modem->sms->sent.size(), 3u);
    EXPECT_EQ(finished.count(), 0) << "a result is still to come";

    ASSERT_TRUE(platform.manager->CompleteOldestSend(modem->sms, S_OK));
    Deliver();
    EXPECT_EQ(Status(2), Q(StatusText(S_OK)));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Texts().join(QLatin1Char('|')).toStdString();
}

// With a store: Stop and Start carry on, nobody gets the message twice, the
// store is free between runs, and sending again is the user's choice.
TEST_F(VantorViewTest, StoreCarriesTheCampaignOnAndAsksBeforeSendingAgain) {
    const std::string store = dir.filePath(QStringLiteral("store.sqlite")).toStdString();
    view->SetStorePath(QString::fromStdString(store));
    ChooseAndType(numbers, QStringLiteral("Hi"));
    auto storeRows = [&] {
        CCampaignStore s;
        StoreError e;
        std::vector<RowRecord> rows;
        // Opened for sending: the view has let go of it.
        EXPECT_TRUE(s.Open(store, StoreMode::Send, e) && s.GetRows(1, rows, e)) << e.text;
        std::vector<SendState> states;
        for (const RowRecord& row : rows) {
            states.push_back(row.state);
        }
        return states;
    };
    auto run = [&](QMessageBox::StandardButton answer, int ticks) {
        boxes.answer = answer;
        view->OnBnClickedStart();
        for (int i = 0; i < ticks; ++i) {
            view->OnTimer();
        }
    };
    run(QMessageBox::No, 1);
    ASSERT_TRUE(platform.manager->CompleteOldestSend(modem->sms, S_OK));
    view->OnBnClickedStart();  // Stop
    Deliver();
    EXPECT_EQ(storeRows(),
              (std::vector<SendState>{SendState::Sent, SendState::NotSent, SendState::NotSent}));
    run(QMessageBox::No, 2);
    EXPECT_EQ(modem->sms->sent.size(), 3u) << "carried on with rows 2 and 3 only";
    ASSERT_TRUE(platform.manager->CompleteOldestSend(modem->sms, S_OK));
    Deliver();
    view->EndCampaign();  // the third one's outcome never came
    Deliver();
    EXPECT_EQ(storeRows(),
              (std::vector<SendState>{SendState::Sent, SendState::Sent, SendState::Unknown}));
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Texts().join(QLatin1Char('|')).toStdString();

    run(QMessageBox::No, 1);
    run(QMessageBox::Yes, 1);
    EXPECT_EQ(boxes.Texts(), QStringList(2, QStringLiteral("Send again to the 1 numbers whose "
                                                           "outcome is unknown?")));
    ASSERT_EQ(modem->sms->sent.size(), 4u) << "No sent nothing, Yes the unknown one";
    // The late answer to the abandoned send changes nothing; then the new one.
    ASSERT_TRUE(platform.manager->CompleteOldestSend(modem->sms, S_OK));
    ASSERT_TRUE(platform.manager->CompleteOldestSend(modem->sms, S_OK));
    Deliver();
    view->OnTimer();
    Deliver();
    EXPECT_EQ(storeRows(), std::vector<SendState>(3, SendState::Sent));
    EXPECT_EQ(view->GetCampaign(), 0);

    boxes.boxes.clear();
    run(QMessageBox::Cancel, 1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith(QStringLiteral("This Message has Already Gone")));
    EXPECT_EQ(modem->sms->sent.size(), 4u);
}

// The loop decides (CampaignLoopTest); the view shows its notice and stays
// stopped. Stopping needs no message but still gets the notice.
TEST_F(VantorViewTest, BlankMessageNoticeOnStartAndOnStop) {
    ChooseAndType(numbers, QString());
    Message()->SetText(QStringLiteral(" \r\n\t "));
    view->OnBnClickedStart();
    EXPECT_FALSE(view->IsSending());
    EXPECT_EQ(Start()->text(), Q(CVantorView::kStartText));
    Message()->SetText(QStringLiteral("Hi"));
    view->OnBnClickedStart();
    Message()->clear();
    view->OnBnClickedStart();
    EXPECT_TRUE(view->IsSending());
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].kind, CMessageBox::Kind::Information);
    EXPECT_EQ(boxes.Texts(), QStringList(2, Q(CCampaignLoop::kNoMessageNotice)));
}

// Losing the modem disables Start (MainFrameTest) but never Stop.
TEST_F(VantorViewTest, LosingTheModemWhileSendingLeavesStopEnabled) {
    ChooseAndType(numbers, QStringLiteral("Hi"));
    view->OnBnClickedStart();
    platform.manager->interfaces.clear();
    front.Discover();
    poster.PostRefreshDeviceStatus();
    Deliver();
    EXPECT_TRUE(Start()->isEnabled());
    EXPECT_EQ(Start()->text(), Q(CVantorView::kStopText));
    QTest::mouseClick(Start(), Qt::LeftButton);
    EXPECT_FALSE(view->IsSending());
    EXPECT_FALSE(Start()->isEnabled()) << "stopped and unable to send";
}

TEST_F(VantorViewTest, EditsGoToTheDocument) {
    EXPECT_FALSE(doc.IsModified());
    view->SetFileChooser([this] { return numbers; });
    view->OnBnClickedBrowse();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_strNumbersFile, numbers);
    EXPECT_EQ(view->findChild<QLineEdit*>(QStringLiteral("numbersFile"))->text(), numbers);

    doc.SetModifiedFlag(false);
    QTest::keyClicks(Message(), QStringLiteral("ab"));
    QTest::keyClick(Message(), Qt::Key_Return);
    QTest::keyClicks(Message(), QStringLiteral("c"));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_strMessage, QStringLiteral("ab\r\nc"));

    // Cancelling the file dialog changes nothing.
    doc.SetModifiedFlag(false);
    view->SetFileChooser([] { return QString(); });
    view->OnBnClickedBrowse();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(view->GetModel()->rowCount(), 3);
}

TEST_F(VantorViewTest, InitialUpdateCopiesTheDocumentWithoutModifyingIt) {
    doc.m_strNumbersFile = numbers;
    doc.m_strMessage = QStringLiteral("line 1\r\nline 2");
    view->OnInitialUpdate();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(Message()->Text(), doc.m_strMessage);
    EXPECT_EQ(view->GetModel()->rowCount(), 3);

    doc.m_strNumbersFile = dir.filePath(QStringLiteral("missing.txt"));
    view->OnInitialUpdate();
    EXPECT_EQ(view->GetModel()->rowCount(), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].kind, CMessageBox::Kind::Error);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith(QStringLiteral("Could Not Open File [")));
}

// Typing and pasting stop where the message and the signature would need
// more parts than allowed: counted in septets (an escape pair as two) or
// UCS2 units, never in characters. One part here: 160 septets or 70 units.
TEST_F(VantorViewTest, TypingStopsAtThePartsLimit) {
    PduLib::MessageOptions options;
    options.maxParts = 1;
    front.SetMessageOptions(options);
    // Typed one key event at a time: 65 euro signs (escape pairs) and the
    // signature are 159 septets.
    const QString euro(QChar(0x20AC));
    for (int i = 0; i < 80; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, euro);
        QApplication::sendEvent(Message(), &press);
    }
    EXPECT_EQ(Message()->Text(), euro.repeated(65));
    // Pasted: 20 emoji are 40 units; the 21st does not fit and is not halved.
    const QString grin = QString::fromUtf16(u"\U0001F600");
    Message()->SetText(QString());
    QApplication::clipboard()->setText(grin.repeated(30));
    Message()->paste();
    EXPECT_EQ(Message()->Text(), grin.repeated(20));

    // A line break counts two (CR LF), as it is stored and sent.
    for (const int length : {130, 129}) {
        Message()->SetText(QString(length, QLatin1Char('b')));
        QTextCursor cursor = Message()->textCursor();
        cursor.setPosition(60);
        Message()->setTextCursor(cursor);
        QTest::keyClick(Message(), Qt::Key_Return);
        EXPECT_EQ(Message()->Text().size(), length == 130 ? 130 : 131);
    }
}

TEST_F(VantorViewTest, CounterShowsCharactersPartsEncodingAndWhatIsLeft) {
    const auto counter = [](const char* characters, int sms, const char* encoding,
                            const QString& rest) {
        const QString dot = QStringLiteral(" \u00B7 ");
        return QStringLiteral("%1 characters with the signature").arg(QLatin1String(characters)) +
               dot + QStringLiteral("%1 SMS").arg(sms) + dot + QLatin1String(encoding) + dot + rest;
    };
    const struct {
        QString message;
        QString counter;
    } cases[] = {
        // Look-alikes keep it in 7-bit and are named; the ellipsis takes three.
        {QStringLiteral("\u201CHi\u201D \u2014 it\u2019s\u2026"),
         counter("41", 1, "GSM 7-bit", QStringLiteral("117 left in this SMS")) +
             QStringLiteral("\n5 characters replaced: \u201C \u201D \u2014 \u2019 \u2026")},
        {QStringLiteral("\u041F\u0440\u0438\u0432\u0435\u0442"),
         counter("35", 1, "Unicode", QStringLiteral("35 left in this SMS"))},
        {QString(1000, QLatin1Char('z')),
         counter("1,029", 7, "GSM 7-bit",
                 QStringLiteral("too long: the message needs 7 parts (1029 septets); at most 6 "
                                "are allowed"))},
    };
    for (const auto& c : cases) {
        Message()->SetText(c.message);
        EXPECT_EQ(view->GetCounterText(), c.counter);
    }
}

// A document whose message is far over the limit opens with a word and
// keeps the text for the user to shorten. (The loop refuses to send it.)
TEST_F(VantorViewTest, AFarTooLongDocumentMessageIsKeptWithAWord) {
    doc.m_strMessage = QString(100000, QLatin1Char('w'));
    view->OnInitialUpdate();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              QStringLiteral("The Message of this Document is too Long to Send: the message needs "
                             "654 parts (100029 septets); at most 6 are allowed.\n\nIt is Kept as "
                             "it is; Shorten it Before Sending."));
    EXPECT_EQ(Message()->Text().size(), 100000);
}

// Without a file a word, no list. With one: the same numbers in the same
// order, what will arrive (look-alikes as the phone shows them) and the total.
TEST_F(VantorViewTest, PreviewShowsTheSameNumbersInTheSameOrder) {
    int shown = 0;
    view->SetPreviewRunner([&](CDlgNumbersPreview& dialog) {
        ++shown;
        QAbstractItemModel* model = dialog.GetList()->model();
        ASSERT_EQ(model->rowCount(), view->GetModel()->rowCount());
        for (int row = 0; row < model->rowCount(); ++row) {
            EXPECT_EQ(model->index(row, 0).data().toString(), QString::number(row + 1));
            EXPECT_EQ(model->index(row, 1).data().toString(),
                      Cell(row, CCampaignRowsModel::ColumnNumber));
        }
        EXPECT_EQ(dialog.GetCountText(), QStringLiteral("3 Unique Numbe(s) Found."));
        EXPECT_EQ(dialog.windowTitle(),
                  QStringLiteral("Number List - ") + QGuiApplication::applicationDisplayName());
        EXPECT_EQ(
            dialog.GetArrivingText(),
            QString(130, QLatin1Char('t')) + QStringLiteral("'s... - Sent with Quorvel Vantorix"));
        EXPECT_EQ(dialog.GetTotalText(), QStringLiteral("3 numbers x 2 SMS = 6 SMS"));
    });
    view->OnBnClickedDisplay();
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(boxes.Texts(), QStringList{Q(CVantorView::kNoFileToDisplay)});
    ChooseAndType(numbers, QString());
    Message()->SetText(QString(130, QLatin1Char('t')) + QStringLiteral("\u2019s\u2026"));
    view->OnBnClickedDisplay();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(CDlgNumbersPreview::TotalText(1204, 2),
              QStringLiteral("1,204 numbers x 2 SMS = 2,408 SMS"));
    EXPECT_EQ(CDlgNumbersPreview::TotalText(1, 3), QStringLiteral("1 number x 3 SMS = 3 SMS"));
}

// With the region setting: one row per person for the view and the preview,
// and the preview names what cannot be a number before anything is sent.
TEST_F(VantorViewTest, PreviewNamesNumbersThatCannotBeValid) {
    if (!Phone::HasNumberingPlan()) {
        GTEST_SKIP() << "built without libphonenumber";
    }
    QSettings().setValue(QLatin1String(kNumbersRegionKey), QStringLiteral("gb"));
    const QString file =
        WriteNumbersFile(dir, QStringLiteral("uk.txt"),
                         {QStringLiteral("+44 (0)7700-900123"), QStringLiteral("07700 900123"),
                          QStringLiteral("+44 12"), QStringLiteral("0770 abc 123")});
    QString problems;
    QStringList column;
    view->SetPreviewRunner([&](CDlgNumbersPreview& dialog) {
        problems = dialog.GetProblemsText();
        for (int row = 0; row < dialog.GetRowCount(); ++row) {
            column << dialog.GetList()->model()->index(row, 2).data().toString();
        }
        EXPECT_EQ(dialog.GetList()->currentIndex().row(), 1) << "the first problem is selected";
    });
    ChooseAndType(file, QStringLiteral("Hi"));
    view->OnBnClickedDisplay();
    QSettings().remove(QLatin1String(kNumbersRegionKey));
    EXPECT_EQ(view->GetModel()->rowCount(), 3);
    EXPECT_EQ(problems,
              QStringLiteral("2 Number(s) cannot be Valid. First: Line 3, +4412: too short"));
    EXPECT_EQ(column, (QStringList{QString(), QStringLiteral("too short"),
                                   QStringLiteral("not a phone number")}));
}

TEST_F(VantorViewTest, PreviewOfAnUnreadableFileReportsAndLeavesTheRows) {
    ChooseAndType(numbers, QStringLiteral("Hi"));
    ASSERT_TRUE(QFile::remove(numbers));
    int rows = -1;
    view->SetPreviewRunner([&](CDlgNumbersPreview& dialog) { rows = dialog.GetRowCount(); });
    view->OnBnClickedDisplay();
    EXPECT_EQ(rows, 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              QStringLiteral("Could Not Open File [%1] to Read Numbers.").arg(numbers));
    EXPECT_EQ(view->GetModel()->rowCount(), 3) << "the view's rows are not touched";
}

TEST_F(VantorViewTest, ExportsResultsAsCsv) {
    ChooseAndType(numbers, QStringLiteral("Hi"));
    view->OnBnClickedStart();
    view->OnTimer();
    view->OnTimer();
    ASSERT_TRUE(platform.manager->CompleteOldestSend(modem->sms, S_OK));
    Deliver();
    const QString path = dir.filePath(QStringLiteral("results.csv"));
    QString error;
    ASSERT_TRUE(view->ExportResults(path, error)) << error.toStdString();
    const QStringList lines =
        QString::fromUtf8(ReadBytes(path)).remove(QChar(0xFEFF)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5);  // header, three rows, the empty rest after the last break
    EXPECT_EQ(lines[0], QStringLiteral("Number,Status,Final Status,Time,Delivery,Modem"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("+447700900001,") + Q(StatusText(S_OK)) +
                                    QStringLiteral(",0x00000000,")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("07700900002,") +
                                    Q(CCampaignLoop::kPendingText) + QStringLiteral(",,")));
    EXPECT_EQ(lines[3], QStringLiteral("+447700900003,,,,,"));
    EXPECT_FALSE(view->ExportResults(dir.filePath(QStringLiteral("no/such/dir/x.csv")), error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace

namespace {

// A .csv table as a spreadsheet saves it: UTF-8, semicolons, a repeated number.
QString WriteTable(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("patients.csv"));
    return WriteBytes(path, QStringLiteral("Name;Home phone;Mobile;Day\r\n"
                                           "Anna;+441632960001;+447700900001;Monday\r\n"
                                           "Boris;+441632960002;07700900002;Tuesday\r\n"
                                           "Anna again;+441632960003;+447700900001;Friday\r\n"
                                           "Zo\u00EB;+441632960004;+447700900003;\r\n")
                                .toUtf8())
               ? path
               : QString();
}

}  // namespace

// A .csv table: the column guessed and then chosen, each row's own text in
// the counter, the preview, the loop and the store, an unknown placeholder
// refused by name, and the choice kept by the document.
TEST_F(VantorViewTest, CsvCampaignSendsEachRowItsTextAndTheDocumentKeepsTheColumn) {
    const QString table = WriteTable(dir);
    ASSERT_FALSE(table.isEmpty());
    const std::string store = dir.filePath(QStringLiteral("store.sqlite")).toStdString();
    view->SetStorePath(QString::fromStdString(store));
    auto* column = view->findChild<QComboBox*>(QStringLiteral("numberColumn"));
    ChooseAndType(table, QStringLiteral("Dear {nme}"));
    EXPECT_EQ(column->currentText(), QStringLiteral("Home phone")) << "guessed";
    view->OnBnClickedStart();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith(
        QStringLiteral("The message names no column of the file: {nme} (the columns are")))
        << boxes.boxes[0].text.toStdString();
    EXPECT_TRUE(modem->sms->sent.empty());

    column->setCurrentIndex(2);
    view->OnCbnSelchangeNumberColumn(2);
    EXPECT_EQ(doc.m_strNumberColumn, QStringLiteral("Mobile"));
    EXPECT_EQ(view->GetModel()->rowCount(), 3) << "line 4 repeats line 2";
    Message()->SetText(QStringLiteral("Dear {name}, see you on {DAY}"));
    EXPECT_EQ(view->GetCounterText().section(QLatin1Char('\n'), 1),
              QStringLiteral("3 numbers \u00B7 3 SMS in all"));
    EXPECT_TRUE(view->GetCounterText().startsWith(QStringLiteral("Longest (line 5): ")));

    QStringList texts;
    QStringList notes;
    QString problems;
    view->SetPreviewRunner([&](CDlgNumbersPreview& dialog) {
        for (int row = 0; row < dialog.GetRowCount(); ++row) {
            texts << dialog.GetList()->model()->index(row, 3).data().toString();
            notes << dialog.GetList()->model()->index(row, 5).data().toString();
        }
        problems = dialog.GetProblemsText();
    });
    view->OnBnClickedDisplay();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Dear Anna, see you on Monday"),
                                  QStringLiteral("Dear Boris, see you on Tuesday"),
                                  QStringLiteral("Dear Zo\u00EB, see you on")}));
    EXPECT_EQ(notes, (QStringList{QString(), QString(), QStringLiteral("Unicode")}));
    EXPECT_TRUE(problems.contains(QStringLiteral("line 4 repeats line 2")))
        << problems.toStdString();

    // Saved and opened again: the same column, not the guessed one.
    QString error;
    const QString saved = dir.filePath(QStringLiteral("personal.sms"));
    ASSERT_TRUE(doc.OnSaveDocument(saved, error)) << error.toStdString();
    doc.OnNewDocument();
    view->OnInitialUpdate();
    EXPECT_EQ(view->GetModel()->rowCount(), 0);
    ASSERT_TRUE(doc.OnOpenDocument(saved, error)) << error.toStdString();
    view->OnInitialUpdate();
    EXPECT_EQ(column->currentText(), QStringLiteral("Mobile"));
    ASSERT_EQ(view->GetModel()->rowCount(), 3);
    EXPECT_EQ(Cell(1, CCampaignRowsModel::ColumnNumber), QStringLiteral("07700900002"));

    boxes.boxes.clear();
    view->OnBnClickedStart();
    view->OnTimer();
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(view->Loop().GetRow(1).text, u"Dear Boris, see you on Tuesday");
    ASSERT_EQ(modem->sms->sent.size(), 1u);
    view->EndCampaign();
    // Another column is another campaign, not the first one carried on.
    column->setCurrentIndex(1);
    view->OnCbnSelchangeNumberColumn(1);
    view->OnBnClickedStart();
    EXPECT_EQ(view->GetCampaign(), 2);
    EXPECT_EQ(view->Loop().GetRow(0).number, u"+441632960001");
    view->EndCampaign();
    CCampaignStore s;
    StoreError e;
    std::vector<RowRecord> rows;
    ASSERT_TRUE(s.Open(store, StoreMode::Read, e) && s.GetRows(1, rows, e)) << e.text;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].text.value_or(""), "Dear Zo\xC3\xAB, see you on");
}
