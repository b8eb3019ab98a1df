// The History dialog: the campaigns kept in the campaign store, newest
// first (date, the message's first words, counts, state), and the rows of
// the one chosen, read-only, with Export... to CSV. Reads the store without
// changing it: a store that does not exist yet is not created.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "campaign/store/CampaignStore.h"

class QLabel;
class QPushButton;
class QTableView;
class CHistoryModel;
class CHistoryRowsModel;

class CDlgHistory final : public QDialog {
    Q_OBJECT

public:
    // Answers the Export... file dialog: the chosen path, or empty.
    using FileChooser = std::function<QString(const QString& suggested)>;

    explicit CDlgHistory(const QString& storePath, QWidget* parent = nullptr);
    ~CDlgHistory() override;

    // Opens the store and lists its campaigns, the newest one opened. A
    // store that cannot be read is reported in a message box.
    void OnInitDialog();
    // Shows the rows of the campaign in list row `row`; false (reported)
    // when the store cannot give them.
    bool OpenCampaign(int row);
    // Shows the campaign with store id `id`; false when it is not listed.
    bool SelectCampaign(std::int64_t id);
    // Asks for a file and writes the open campaign's rows to it as CSV.
    void OnExport();
    // Writes the open campaign's rows to `path`; false with `error`.
    bool ExportTo(const QString& path, QString& error) const;

    void SetFileChooser(FileChooser chooser) { m_fnChooseFile = std::move(chooser); }
    QTableView* GetCampaignList() const { return m_lstCampaigns; }
    QTableView* GetRowList() const { return m_lstRows; }
    CHistoryModel* GetCampaignModel() const { return m_pCampaigns; }
    CHistoryRowsModel* GetRowModel() const { return m_pRows; }
    QString GetStoreText() const;
    QString GetCampaignText() const;

private:
    QString m_strStorePath;
    CCampaignStore m_store;
    QLabel* m_stcStore = nullptr;
    QLabel* m_stcCampaign = nullptr;
    QTableView* m_lstCampaigns = nullptr;
    QTableView* m_lstRows = nullptr;
    QPushButton* m_btnExport = nullptr;
    CHistoryModel* m_pCampaigns = nullptr;
    CHistoryRowsModel* m_pRows = nullptr;
    FileChooser m_fnChooseFile;
};
