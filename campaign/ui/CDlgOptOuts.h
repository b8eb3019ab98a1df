// The opt-out list: the numbers no campaign sends to, in E.164, with Add,
// Remove, Import... and Export... (a text file, one number a line), and the
// user's own stop words (one line, separated by commas) besides the
// standard ones. Every change is written to the campaign store at once.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QListWidget;

class CDlgOptOuts final : public QDialog {
    Q_OBJECT

public:
    explicit CDlgOptOuts(const QString& storePath, QWidget* parent = nullptr);

    // Reads the list and the stop words.
    void OnInitDialog();
    // Each false with `error` for the user.
    bool AddNumber(const QString& number, QString& error);
    bool RemoveNumber(const QString& number, QString& error);
    bool ImportFrom(const QString& path, QString& error);
    bool ExportTo(const QString& path, QString& error) const;
    bool SaveStopWords(QString& error);

    QListWidget* GetList() const { return m_lstNumbers; }
    QLineEdit* GetStopWords() const { return m_edtStopWords; }
    QString GetStatusText() const;

private:
    void OnAdd();
    void OnRemove();
    void OnImport();
    void OnExport();
    void Report(bool ok, const QString& error);

    QString m_strStorePath;
    QListWidget* m_lstNumbers = nullptr;
    QLineEdit* m_edtStopWords = nullptr;
    QLabel* m_stcStatus = nullptr;
};
