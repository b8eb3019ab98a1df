// The History command of the main frame: in the File menu and the Home tab
// with Ctrl+H, it opens the History dialog over the store named by --store.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "app/CMainFrame.h"
#include "app/CVantorApp.h"
#include "campaign/store/CampaignStore.h"
#include "campaign/ui/CDlgHistory.h"
#include "campaign/ui/CHistoryModel.h"
#include "device/fake/FakeBackend.h"
#include "tests/campaign_ui/GuiTestSupport.h"

namespace {

TEST(HistoryCommand, StoreOptionOfTheCommandLine) {
    const struct {
        QStringList args;
        QString store;
    } cases[] = {
        {{QStringLiteral("vantorix")}, QString()},
        {{QStringLiteral("vantorix"), QStringLiteral("--store"), QStringLiteral("/tmp/a.sqlite")},
         QStringLiteral("/tmp/a.sqlite")},
        {{QStringLiteral("vantorix"), QStringLiteral("--store=b.sqlite"), QStringLiteral("x.sms")},
         QStringLiteral("b.sqlite")},
    };
    for (const auto& c : cases) {
        CVantorApp::CommandLine line;
        QString error;
        ASSERT_TRUE(CVantorApp::ParseCommandLine(c.args, line, error)) << error.toStdString();
        EXPECT_EQ(line.store, c.store) << c.args.join(' ').toStdString();
    }
}

TEST(HistoryCommand, CtrlHOpensTheHistoryOfTheNamedStore) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString store = dir.filePath(QStringLiteral("mine.sqlite"));
    {
        CCampaignStore s;
        StoreError e;
        ASSERT_TRUE(s.Open(store.toStdString(), StoreMode::Send, e)) << e.text;
        NewCampaign campaign{"Hello from the store", "GSM 7-bit", 1, "/n.txt", "h", "{}", {"+1"}};
        std::int64_t id = 0;
        ASSERT_TRUE(s.CreateCampaign(campaign, id, e)) << e.text;
    }
    RecordedBoxes boxes;
    FakeBackend::FakePlatform platform;
    platform.manager->interfaces = {
        FakeBackend::FakeInterface::Modem(u"modem0", u"Vantorix Mobile", u"+447785016005")};
    auto app = std::make_unique<CVantorApp>(
        [&platform](const std::string&, std::shared_ptr<DeviceLink::IMbnInterfaceManager>* m) {
            return platform.Factory()(m);
        });
    ASSERT_TRUE(app->InitInstance({QStringLiteral("vantorix"), QStringLiteral("--store"), store}));
    CMainFrame* frame = app->MainFrame();

    QAction* history = nullptr;
    const QList<QAction*> fileActions =
        frame->findChild<QMenu*>(QStringLiteral("fileMenu"))->actions();
    for (QAction* action : fileActions) {
        if (action->text() == QLatin1String("&History...")) {
            history = action;
        }
    }
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));

    int listed = -1;
    QString message;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CDlgHistory*>(QApplication::activeModalWidget());
        if (dialog != nullptr) {
            listed = dialog->GetCampaignModel()->rowCount();
            message = dialog->GetCampaignModel()
                          ->data(dialog->GetCampaignModel()->index(0, CHistoryModel::ColumnMessage))
                          .toString();
            dialog->reject();
        }
    });
    history->trigger();
    EXPECT_EQ(listed, 1);
    EXPECT_EQ(message, QStringLiteral("Hello from the store"));
}

}  // namespace
