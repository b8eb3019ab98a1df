// The numbers preview: which unique numbers a numbers file yields, and how
// many, before a campaign starts; which of them cannot be valid, and why; and
// what will arrive: the message as the phone will show it and the SMS it
// costs. Reads the file itself and changes nothing.
#pragma once

#include <QDialog>
#include <QString>
#include <cstddef>
#include <string>
#include <vector>

#include "campaign/CNumberList.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class CNumbersPreviewModel;

class CDlgNumbersPreview final : public QDialog {
    Q_OBJECT

public:
    explicit CDlgNumbersPreview(QWidget* parent = nullptr);
    ~CDlgNumbersPreview() override;

    // Called once, before OnInitDialog.
    void SetFilePath(const QString& path);
    // The campaign store whose opt-out list the preview checks; none: no
    // check. Before OnInitDialog.
    void SetStorePath(const QString& path) { m_strStorePath = path; }
    // The message as the phone will show it and its SMS per number; before
    // OnInitDialog.
    void SetMessage(const QString& arriving, std::size_t partsPerNumber);
    // Loads the file and fills the list and the count; a load failure is
    // reported in a message box before the dialog shows.
    void OnInitDialog();
    // Opens the numbers file in the program the desktop associates with it.
    void OnBnClickedOpenFile();

    int GetRowCount() const;
    QString GetCountText() const;
    // "2 Number(s) cannot be Valid. First: Line 4, +4412: too short", or
    // empty when every number may be valid.
    QString GetProblemsText() const;
    // "3 opted-out number(s) will be skipped.", or empty.
    QString GetOptedOutText() const;
    QTableView* GetList() const { return m_lstNumbers; }
    QString GetArrivingText() const;
    QString GetTotalText() const;
    // "1,204 numbers x 2 SMS = 2,408 SMS".
    static QString TotalText(std::size_t numbers, std::size_t partsPerNumber);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceControls();
    // Marks the numbers on the store's opt-out list in `problems`; how many.
    std::size_t MarkOptedOut(std::vector<std::string>& problems) const;

    CNumberList m_numberList;
    QString m_strFilePath;
    QString m_strStorePath;
    QTableView* m_lstNumbers = nullptr;
    QPushButton* m_btnOpenFile = nullptr;
    QLineEdit* m_edtFilePath = nullptr;
    QGroupBox* m_stcCount = nullptr;
    QGroupBox* m_grpArriving = nullptr;
    QPlainTextEdit* m_edtArriving = nullptr;
    QLabel* m_stcTotal = nullptr;
    QLabel* m_stcProblems = nullptr;
    QLabel* m_stcOptedOut = nullptr;
    std::size_t m_nPartsPerNumber = 0;
    CNumbersPreviewModel* m_pModel = nullptr;
};
