// The Inbox: the replies kept in the campaign store, newest first (from,
// time, text, the campaign they answer), a search field that narrows the
// list as one types, and Export... of the messages listed to CSV. Reads the
// store without changing it.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <utility>

class QLabel;
class QLineEdit;
class QTableView;
class CInboxModel;

class CDlgInbox final : public QDialog {
    Q_OBJECT

public:
    // Answers the Export... file dialog: the chosen path, or empty.
    using FileChooser = std::function<QString(const QString& suggested)>;

    explicit CDlgInbox(const QString& storePath, QWidget* parent = nullptr);

    // Reads the messages; a store that cannot be read is said in the dialog.
    void OnInitDialog();
    void OnExport();
    bool ExportTo(const QString& path, QString& error) const;

    void SetFileChooser(FileChooser chooser) { m_fnChooseFile = std::move(chooser); }
    CInboxModel* GetModel() const { return m_pModel; }
    QLineEdit* GetSearch() const { return m_edtSearch; }
    QTableView* GetList() const { return m_lstMessages; }

private:
    QString m_strStorePath;
    QLabel* m_stcStore = nullptr;
    QLineEdit* m_edtSearch = nullptr;
    QTableView* m_lstMessages = nullptr;
    CInboxModel* m_pModel = nullptr;
    FileChooser m_fnChooseFile;
};
