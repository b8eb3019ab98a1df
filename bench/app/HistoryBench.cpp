// Not a test: times the History dialog on a campaign of 65,535 numbers in a
// store on disk: from the dialog's creation to its first paint, with the
// store opened, the campaigns listed and the newest campaign's rows shown,
// then opening that campaign again from the list. Prints the median and the
// slowest of several runs, each with a cold dialog (a new store handle).
//
//   vantorix_history_bench [RUNS]   (default 9)
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "campaign/store/CampaignStore.h"
#include "campaign/ui/CDlgHistory.h"
#include "campaign/ui/CHistoryRowsModel.h"
#include "campaign/ui/CMessageBox.h"

namespace {

constexpr std::size_t kRows = 65535;

double Ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// A finished campaign: every row sent with a status text, a request id and
// a message reference, as the modem leaves them.
bool Populate(const std::string& path, std::string& error) {
    CCampaignStore store;
    StoreError e;
    if (!store.Open(path, StoreMode::Send, e)) {
        error = e.text;
        return false;
    }
    NewCampaign campaign;
    campaign.message = "Our shop opens at 9 tomorrow. Reply STOP to opt out.";
    campaign.encoding = "GSM 7-bit";
    campaign.numbersPath = "/home/user/numbers.txt";
    campaign.numbersHash = ContentHash("numbers");
    campaign.settings = R"({"interval_ms":1000})";
    for (std::size_t i = 0; i < kRows; ++i) {
        campaign.numbers.push_back("+9715" + std::to_string(10000000 + i * 37));
    }
    std::int64_t id = 0;
    if (!store.CreateCampaign(campaign, id, e)) {
        error = e.text;
        return false;
    }
    std::vector<SendUpdate> updates;
    for (std::size_t i = 0; i < kRows; ++i) {
        const auto row = static_cast<std::int64_t>(i);
        updates.emplace_back(id, row, std::nullopt, SendState::Sending, "", std::nullopt, row);
        updates.emplace_back(id, row, std::nullopt,
                             i % 50 == 0 ? SendState::Failed : SendState::Sent,
                             i % 50 == 0 ? "Failed: Invalid Destination" : "Sent", 0, row,
                             static_cast<std::int64_t>(i % 256), "sim");
    }
    if (!store.Apply(updates, e) || !store.SetCampaignState(id, CampaignState::Finished, e)) {
        error = e.text;
        return false;
    }
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    const int runs = args.size() > 1 ? std::max(1, args[1].toInt()) : 9;
    CMessageBox::SetHandler([](QWidget*, CMessageBox::Kind, const QString& text) {
        std::fprintf(stderr, "message box: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    });
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("campaigns.sqlite"));
    std::string error;
    QElapsedTimer timer;
    timer.start();
    if (!Populate(path.toStdString(), error)) {
        std::fprintf(stderr, "cannot write the store: %s\n", error.c_str());
        return 1;
    }
    std::printf("store with %zu rows written in %.0f ms\n", kRows, Ms(timer));

    std::vector<double> opens;
    std::vector<double> reopens;
    for (int run = 0; run < runs; ++run) {
        timer.restart();
        CDlgHistory dialog(path);
        dialog.OnInitDialog();
        dialog.show();
        dialog.repaint();  // the first paint, rows included
        QApplication::processEvents();
        opens.push_back(Ms(timer));
        if (dialog.GetRowModel()->rowCount() != static_cast<int>(kRows)) {
            std::fprintf(stderr, "the dialog shows %d rows\n", dialog.GetRowModel()->rowCount());
            return 1;
        }
        timer.restart();
        dialog.OpenCampaign(0);
        dialog.GetRowList()->repaint();
        reopens.push_back(Ms(timer));
    }
    std::printf(
        "History dialog, %zu rows, to first paint: median %.1f ms, slowest %.1f ms (%d "
        "runs)\n",
        kRows, Median(opens), *std::max_element(opens.begin(), opens.end()), runs);
    std::printf("opening the campaign again from the list: median %.1f ms, slowest %.1f ms\n",
                Median(reopens), *std::max_element(reopens.begin(), reopens.end()));
    return 0;
}
