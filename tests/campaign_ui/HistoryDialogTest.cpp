// The History dialog over a campaign store written through the store's own
// API: the campaigns newest first, a campaign's rows read-only, Export...,
// and stores that are missing or damaged left as they were.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableView>
#include <string>

#include "campaign/ui/CDlgHistory.h"
#include "campaign/ui/CHistoryModel.h"
#include "campaign/ui/CHistoryRowsModel.h"
#include "tests/campaign/store/StoreTestUtil.h"
#include "tests/campaign_ui/GuiTestSupport.h"

namespace {

class HistoryDialogTest : public StoreTestBase {
protected:
    // The cells of `row` from `column` on, joined by "|".
    static std::string Cells(const QAbstractItemModel* model, int row, int column) {
        QStringList cells;
        for (; column < model->columnCount(); ++column) {
            cells << model->data(model->index(row, column)).toString();
        }
        return cells.join(QLatin1Char('|')).toStdString();
    }

    RecordedBoxes boxes;
};

TEST_F(HistoryDialogTest, ListsCampaignsNewestFirstAndOpensTheirRows) {
    WriteSample();
    CDlgHistory dialog(QString::fromStdString(m_path));
    dialog.OnInitDialog();
    const CHistoryModel* campaigns = dialog.GetCampaignModel();
    ASSERT_EQ(campaigns->rowCount(), 2);
    EXPECT_EQ(Cells(campaigns, 1, CHistoryModel::ColumnMessage),
              "Shop opens at 9. Reply STOP to opt out|5|1|1|1|2|Stopped");
    // The newest is open; its one row shows its parts.
    const CHistoryRowsModel* rows = dialog.GetRowModel();
    ASSERT_EQ(rows->rowCount(), 1);
    EXPECT_EQ(Cells(rows, 0, CHistoryRowsModel::ColumnState).substr(0, 20), "Sent (1:sent 2:sent)");
    // Choosing the older one in the list opens it, read-only.
    dialog.GetCampaignList()->setCurrentIndex(campaigns->index(1, 0));
    ASSERT_EQ(rows->rowCount(), 5);
    const std::string states[] = {"Sent|Sent|", "Failed|=SUM(A1), refused|",
                                  "Outcome unknown|Outcome unknown|", "Not sent||", "Not sent||"};
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(Cells(rows, row, CHistoryRowsModel::ColumnSr).substr(0, 16),
                  std::to_string(row + 1) + "|+49170100000" + std::to_string(row) + "|");
        EXPECT_EQ(Cells(rows, row, CHistoryRowsModel::ColumnState).substr(0, states[row].size()),
                  states[row]);
        EXPECT_FALSE(rows->flags(rows->index(row, CHistoryRowsModel::ColumnStatus)) &
                     Qt::ItemIsEditable);
    }
    EXPECT_TRUE(Cells(rows, 3, CHistoryRowsModel::ColumnTime).empty()) << "never touched";
    EXPECT_TRUE(dialog.GetCampaignText().startsWith(QStringLiteral(
        "Campaign 1, Stopped: 5 numbers, 1 sent, 1 failed, 1 outcome unknown, 2 not sent.")));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(HistoryDialogTest, ExportsTheRowsButNeverOverTheStore) {
    WriteSample();
    CDlgHistory dialog(QString::fromStdString(m_path));
    dialog.OnInitDialog();
    QString suggested;
    std::string answer = m_dir + "/rows.csv";
    dialog.SetFileChooser([&](const QString& name) {
        suggested = name;
        return QString::fromStdString(answer);
    });
    auto* exportButton = dialog.findChild<QPushButton*>(QStringLiteral("historyExport"));
    exportButton->click();
    EXPECT_EQ(suggested, QStringLiteral("campaign-2.csv"));
    EXPECT_EQ(ReadBytes(answer).find("\xEF\xBB\xBFnumber,state,status_text,code,time,parts\r\n"),
              0U);
    EXPECT_TRUE(boxes.boxes.empty());
    // Over the store (or its journal) it would replace it; into no folder it fails.
    const std::string before = ReadBytes(m_path);
    for (const std::string& target : {m_path, m_path + "-wal", m_dir + "/no/rows.csv"}) {
        boxes.boxes.clear();
        answer = target;
        exportButton->click();
        ASSERT_EQ(boxes.boxes.size(), 1U) << target;
        EXPECT_EQ(boxes.boxes[0].kind, CMessageBox::Kind::Error);
        EXPECT_EQ(boxes.boxes[0].text.contains(QStringLiteral("campaign store itself")),
                  target.find("/no/") == std::string::npos);
    }
    EXPECT_EQ(ReadBytes(m_path), before);
}

TEST_F(HistoryDialogTest, MissingOrDamagedStoresAreLeftAlone) {
    {
        CDlgHistory dialog(QString::fromStdString(m_dir + "/later/campaigns.sqlite"));
        dialog.OnInitDialog();
        EXPECT_TRUE(dialog.GetStoreText().startsWith(QStringLiteral("No campaigns yet.")));
        EXPECT_FALSE(std::filesystem::exists(m_dir + "/later"));
        EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("historyExport"))->isEnabled());
        EXPECT_TRUE(boxes.boxes.empty());
    }
    WriteBytes(m_path, std::string(4096, 'Z'));
    CDlgHistory dialog(QString::fromStdString(m_path));
    dialog.OnInitDialog();
    ASSERT_EQ(boxes.boxes.size(), 1U);
    EXPECT_EQ(boxes.boxes[0].kind, CMessageBox::Kind::Error);
    EXPECT_EQ(dialog.GetCampaignModel()->rowCount(), 0);
    EXPECT_EQ(ReadBytes(m_path), std::string(4096, 'Z'));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), {}), 1);
}

}  // namespace
