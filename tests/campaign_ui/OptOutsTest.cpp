// The Opt-outs dialog writes every change to the store at once: numbers in
// any spelling kept in E.164, an imported file's blank lines and non-numbers
// left out, the export one number a line, and the user's stop words.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>

#include "campaign/store/CampaignStore.h"
#include "campaign/ui/CDlgOptOuts.h"
#include "tests/campaign_ui/GuiTestSupport.h"

namespace {

TEST(OptOuts, ChangesReachTheStoreAndTheExport) {
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("campaigns.sqlite"));
    CDlgOptOuts dialog(store);
    dialog.OnInitDialog();
    QString error;
    ASSERT_TRUE(dialog.AddNumber(QStringLiteral(" +44 7700 900001 "), error))
        << error.toStdString();
    EXPECT_FALSE(dialog.AddNumber(QStringLiteral("hello"), error));
    const QString list = dir.filePath(QStringLiteral("in.txt"));
    QFile in(list);
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write("+447700900003\n\n  +447700900002\r\nnot a number\n");
    in.close();
    ASSERT_TRUE(dialog.ImportFrom(list, error)) << error.toStdString();
    EXPECT_EQ(dialog.GetStatusText(), QStringLiteral("Added: 2. Not a number: 1."));
    ASSERT_TRUE(dialog.RemoveNumber(QStringLiteral("+447700900003"), error));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    ASSERT_TRUE(dialog.ExportTo(out, error));
    EXPECT_EQ(ReadBytes(out), QByteArray("+447700900001\n+447700900002\n"));

    dialog.GetStopWords()->setText(QStringLiteral("basta, , genug "));
    ASSERT_TRUE(dialog.SaveStopWords(error)) << error.toStdString();
    CCampaignStore reread;
    StoreError e;
    std::vector<std::string> words;
    ASSERT_TRUE(reread.Open(store.toStdString(), StoreMode::Read, e) &&
                reread.GetStopWords(words, e));
    EXPECT_EQ(words, (std::vector<std::string>{"BASTA", "GENUG"}));
}

}  // namespace
