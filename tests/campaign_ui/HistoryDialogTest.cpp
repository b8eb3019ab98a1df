// The History dialog over a campaign store written through the store's own
// API: the campaigns newest first, a campaign's rows read-only, Export...,
// and stores that are missing or damaged left as they were.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <string>

#include "campaign/store/CampaignStore.h"
#include "campaign/ui/CDlgHistory.h"
#include "campaign/ui/CHistoryModel.h"
#include "campaign/ui/CHistoryRowsModel.h"
#include "tests/campaign/store/SampleHistory.h"
#include "tests/campaign_ui/GuiTestSupport.h"

namespace {

class HistoryDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        store = dir.filePath(QStringLiteral("campaigns.sqlite"));
    }

    void Populate() {
        std::string error;
        ASSERT_TRUE(WriteSampleHistory(store.toStdString(), {}, error)) << error;
    }

    static QString Cell(const QAbstractItemModel* model, int row, int column) {
        return model->data(model->index(row, column)).toString();
    }

    QTemporaryDir dir;
    QString store;
    RecordedBoxes boxes;
};

TEST_F(HistoryDialogTest, ListsCampaignsNewestFirstAndOpensTheirRows) {
    Populate();
    CDlgHistory dialog(store);
    dialog.OnInitDialog();
    dialog.show();
    EXPECT_TRUE(boxes.boxes.empty());
    const CHistoryModel* campaigns = dialog.GetCampaignModel();
    ASSERT_EQ(campaigns->rowCount(), 2);
    // Row, then Message, Numbers, Sent, Failed, Unknown, Not Sent, State.
    const struct {
        int row;
        const char* cells[7];
    } expected[] = {
        {0, {"Zweiteilig \xE2\x98\x80", "1", "1", "0", "0", "0", "Finished"}},
        {1, {"Shop opens at 9. Reply STOP to opt out", "5", "1", "1", "1", "2", "Stopped"}},
    };
    for (const auto& want : expected) {
        for (int column = CHistoryModel::ColumnMessage; column < CHistoryModel::ColumnCount;
             ++column) {
            EXPECT_EQ(Cell(campaigns, want.row, column),
                      QString::fromUtf8(want.cells[column - CHistoryModel::ColumnMessage]))
                << want.row << ' ' << column;
        }
    }
    EXPECT_FALSE(Cell(campaigns, 0, CHistoryModel::ColumnDate).isEmpty());

    // The newest is open; its one row shows its parts.
    const CHistoryRowsModel* rows = dialog.GetRowModel();
    ASSERT_EQ(rows->rowCount(), 1);
    EXPECT_EQ(Cell(rows, 0, CHistoryRowsModel::ColumnState),
              QStringLiteral("Sent (1:sent 2:sent)"));

    // Choosing the older one in the list opens it.
    dialog.GetCampaignList()->setCurrentIndex(campaigns->index(1, 0));
    ASSERT_EQ(rows->rowCount(), 5);
    const char* const states[] = {"Sent", "Failed", "Outcome unknown", "Not sent", "Not sent"};
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(Cell(rows, row, CHistoryRowsModel::ColumnSr), QString::number(row + 1));
        EXPECT_EQ(Cell(rows, row, CHistoryRowsModel::ColumnState), QLatin1String(states[row]));
        EXPECT_FALSE(rows->flags(rows->index(row, CHistoryRowsModel::ColumnStatus)) &
                     Qt::ItemIsEditable);
    }
    EXPECT_EQ(Cell(rows, 1, CHistoryRowsModel::ColumnStatus),
              QStringLiteral("-cmd|' /C calc'!A0, refused"));
    EXPECT_FALSE(Cell(rows, 0, CHistoryRowsModel::ColumnTime).isEmpty());
    EXPECT_TRUE(Cell(rows, 3, CHistoryRowsModel::ColumnTime).isEmpty()) << "never touched";
    EXPECT_EQ(dialog.GetRowList()->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(dialog.GetCampaignText().startsWith(
        QStringLiteral("Campaign 1, Stopped: 5 numbers, 1 sent, 1 failed, 1 outcome unknown, 2 "
                       "not sent.")))
        << dialog.GetCampaignText().toStdString();
}

TEST_F(HistoryDialogTest, ExportWritesDefusedCsvAndNeverOverTheStore) {
    Populate();
    CDlgHistory dialog(store);
    dialog.OnInitDialog();
    dialog.GetCampaignList()->setCurrentIndex(dialog.GetCampaignModel()->index(1, 0));
    const QString csv = dir.filePath(QStringLiteral("rows.csv"));
    QString suggested;
    QString answer = csv;
    dialog.SetFileChooser([&](const QString& name) {
        suggested = name;
        return answer;
    });
    auto* exportButton = dialog.findChild<QPushButton*>(QStringLiteral("historyExport"));
    ASSERT_NE(exportButton, nullptr);
    ASSERT_TRUE(exportButton->isEnabled());
    exportButton->click();
    EXPECT_EQ(suggested, QStringLiteral("campaign-1.csv"));
    EXPECT_TRUE(boxes.boxes.empty());
    const QByteArray bytes = ReadBytes(csv);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines =
        QString::fromUtf8(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("number,state,status_text,code,time"));
    EXPECT_TRUE(lines[3].startsWith(
        QStringLiteral("\"'=HYPERLINK(\"\"http://x\"\")\",unknown,Outcome unknown,,")))
        << lines[3].toStdString();

    // Saving over the store (or its journal) would replace it: refused.
    const QByteArray before = ReadBytes(store);
    for (const QString& target : {store, store + QStringLiteral("-wal")}) {
        if (!QFile::exists(target)) {
            continue;
        }
        boxes.boxes.clear();
        answer = target;
        exportButton->click();
        ASSERT_EQ(boxes.boxes.size(), 1U) << target.toStdString();
        EXPECT_TRUE(boxes.boxes[0].text.contains(QStringLiteral("campaign store itself")));
    }
    EXPECT_EQ(ReadBytes(store), before);
    // A folder that does not exist: reported.
    boxes.boxes.clear();
    answer = dir.filePath(QStringLiteral("no/such/rows.csv"));
    exportButton->click();
    ASSERT_EQ(boxes.boxes.size(), 1U);
    EXPECT_EQ(boxes.boxes[0].kind, CMessageBox::Kind::Error);
}

TEST_F(HistoryDialogTest, MissingOrDamagedStoresAreLeftAlone) {
    {
        const QString missing = dir.filePath(QStringLiteral("later/campaigns.sqlite"));
        CDlgHistory dialog(missing);
        dialog.OnInitDialog();
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_TRUE(dialog.GetStoreText().startsWith(QStringLiteral("No campaigns yet.")));
        EXPECT_EQ(dialog.GetCampaignModel()->rowCount(), 0);
        EXPECT_FALSE(QDir(dir.filePath(QStringLiteral("later"))).exists());
        EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("historyExport"))->isEnabled());
    }
    const QByteArray garbage(4096, 'Z');
    ASSERT_TRUE(WriteBytes(store, garbage));
    CDlgHistory dialog(store);
    dialog.OnInitDialog();
    ASSERT_EQ(boxes.boxes.size(), 1U);
    EXPECT_EQ(boxes.boxes[0].kind, CMessageBox::Kind::Error);
    EXPECT_TRUE(boxes.boxes[0].text.contains(QStringLiteral("is damaged or is not a database")));
    EXPECT_EQ(dialog.GetCampaignModel()->rowCount(), 0);
    EXPECT_EQ(ReadBytes(store), garbage);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList{QStringLiteral("campaigns.sqlite")});
}

}  // namespace
