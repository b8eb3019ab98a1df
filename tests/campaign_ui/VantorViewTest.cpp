// The sending view on a scripted modem: the loop driven tick by tick, the
// results posted back as the device link posts them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <memory>

#include "campaign/CCampaignLoop.h"
#include "campaign/doc/CVantorDoc.h"
#include "campaign/ui/CCampaignRowsModel.h"
#include "campaign/ui/CDlgNumbersPreview.h"
#include "campaign/ui/CMessageEdit.h"
#include "campaign/ui/CVantorView.h"
#include "campaign/ui/CViewEventPoster.h"
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
    EXPECT_EQ(Cell(0, CCampaignRowsModel::ColumnSr), QStringLiteral("1"));
    EXPECT_EQ(Cell(2, CCampaignRowsModel::ColumnSr), QStringLiteral("3"));
    EXPECT_EQ(Cell(1, CCampaignRowsModel::ColumnNumber), QStringLiteral("07700900002"));
    EXPECT_TRUE(Status(0).isEmpty());
    EXPECT_TRUE(Start()->isEnabled());

    QSignalSpy finished(view.get(), &CVantorView::campaignFinished);
    QTest::mouseClick(Start(), Qt::LeftButton);
    EXPECT_TRUE(view->IsSending());
    EXPECT_EQ(Start()->text(), Q(CVantorView::kStopText));
    EXPECT_TRUE(modem->sms->sent.empty()) << "the first message leaves one tick after Start";

    for (int row = 0; row < 3; ++row) {
        view->OnTimer();
        ASSERT_EQ(modem->sms->sent.size(), static_cast<std::size_t>(row + 1));
        EXPECT_EQ(Status(row), Q(CCampaignLoop::kPendingText));
        if (row + 1 < 3) {
            EXPECT_TRUE(Status(row + 1).isEmpty());
        }
    }
    // The message reached the codec with the signature.
    EXPECT_FALSE(modem->sms->sent[0].pdu.empty());

    ASSERT_TRUE(platform.manager->CompleteOldestSend(modem->sms, S_OK));
    ASSERT_TRUE(
        platform.manager->CompleteOldestSend(modem->sms, DeviceLink::MBN_E_SMS_NETWORK_TIMEOUT));
    Deliver();
    EXPECT_EQ(Status(0), Q(StatusText(S_OK)));
    EXPECT_EQ(Status(1), Q(StatusText(DeviceLink::MBN_E_SMS_NETWORK_TIMEOUT)));
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
    const CampaignCounts counts = view->Loop().GetCounts();
    EXPECT_EQ(counts.sent, 2u);
    EXPECT_EQ(counts.failed, 1u);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Texts().join(QLatin1Char('|')).toStdString();
}

// The loop decides (CampaignLoopTest); the view shows its notice and stays
// stopped, and stopping needs no message but still gets the notice.
TEST_F(VantorViewTest, RefusedStartShowsTheNoticeAndStaysStopped) {
    view->SetFileChooser([this] { return numbers; });
    view->OnBnClickedBrowse();
    Message()->SetText(QStringLiteral(" \r\n\t "));
    view->OnBnClickedStart();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].kind, CMessageBox::Kind::Information);
    EXPECT_EQ(boxes.boxes[0].text, Q(CCampaignLoop::kNoMessageNotice));
    EXPECT_FALSE(view->IsSending());
    EXPECT_EQ(Start()->text(), Q(CVantorView::kStartText));
}

TEST_F(VantorViewTest, StopWithEmptyMessageShowsNoticeAndGoesOn) {
    ChooseAndType(numbers, QStringLiteral("Hi"));
    view->OnBnClickedStart();
    Message()->clear();
    view->OnBnClickedStart();
    EXPECT_EQ(boxes.Texts(), QStringList{Q(CCampaignLoop::kNoMessageNotice)});
    EXPECT_TRUE(view->IsSending());
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

TEST_F(VantorViewTest, TypingStopsAtTheLimit) {
    ASSERT_EQ(CVantorView::kMessageLimit, 111);
    QTest::keyClicks(Message(), QString(120, QLatin1Char('a')));
    EXPECT_EQ(Message()->Text().size(), 111);

    // A line break counts two, as it is stored and sent.
    Message()->SetText(QString(110, QLatin1Char('b')));
    QTest::keyClick(Message(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(Message(), Qt::Key_Return);
    EXPECT_EQ(Message()->Text(), QString(110, QLatin1Char('b')));

    // A longer message from a document is shown whole; typing is refused
    // until it is shorter than the limit.
    doc.m_strMessage = QString(150, QLatin1Char('c'));
    view->OnInitialUpdate();
    EXPECT_EQ(Message()->Text().size(), 150);
    QTest::keyClick(Message(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(Message(), QStringLiteral("xyz"));
    EXPECT_EQ(Message()->Text().size(), 150);
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(Message(), Qt::Key_Backspace);
    }
    QTest::keyClicks(Message(), QStringLiteral("xyz"));
    EXPECT_EQ(Message()->Text(), QString(110, QLatin1Char('c')) + QStringLiteral("x"));
}

TEST_F(VantorViewTest, DisplayWithoutPathExplains) {
    bool shown = false;
    view->SetPreviewRunner([&shown](CDlgNumbersPreview&) { shown = true; });
    view->OnBnClickedDisplay();
    EXPECT_FALSE(shown);
    EXPECT_EQ(boxes.Texts(), QStringList{Q(CVantorView::kNoFileToDisplay)});
}

TEST_F(VantorViewTest, PreviewShowsTheSameNumbersInTheSameOrder) {
    ChooseAndType(numbers, QStringLiteral("Hi"));
    QStringList previewed;
    QString countText;
    QString caption;
    view->SetPreviewRunner([&](CDlgNumbersPreview& dialog) {
        countText = dialog.GetCountText();
        caption = dialog.windowTitle();
        QAbstractItemModel* model = dialog.GetList()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            EXPECT_EQ(model->index(row, 0).data().toString(), QString::number(row + 1));
            previewed << model->index(row, 1).data().toString();
        }
    });
    view->OnBnClickedDisplay();
    QStringList listed;
    for (int row = 0; row < view->GetModel()->rowCount(); ++row) {
        listed << Cell(row, CCampaignRowsModel::ColumnNumber);
    }
    EXPECT_EQ(previewed, listed);
    EXPECT_EQ(countText, QStringLiteral("3 Unique Numbe(s) Found."));
    EXPECT_EQ(caption,
              QStringLiteral("Number List - ") + QGuiApplication::applicationDisplayName());
}

TEST_F(VantorViewTest, PreviewOfAnUnreadableFileReportsAndLeavesTheRows) {
    ChooseAndType(numbers, QStringLiteral("Hi"));
    ASSERT_TRUE(QFile::remove(numbers));
    int rows = -1;
    QString countText;
    view->SetPreviewRunner([&](CDlgNumbersPreview& dialog) {
        rows = dialog.GetRowCount();
        countText = dialog.GetCountText();
    });
    view->OnBnClickedDisplay();
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(countText, QStringLiteral("0 Unique Numbe(s) Found."));
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
    EXPECT_EQ(lines[0], QStringLiteral("Number,Status,Final Status,Time"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("+447700900001,") + Q(StatusText(S_OK)) +
                                    QStringLiteral(",0x00000000,")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("07700900002,") +
                                    Q(CCampaignLoop::kPendingText) + QStringLiteral(",,")));
    EXPECT_EQ(lines[3], QStringLiteral("+447700900003,,,"));
    EXPECT_FALSE(view->ExportResults(dir.filePath(QStringLiteral("no/such/dir/x.csv")), error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
