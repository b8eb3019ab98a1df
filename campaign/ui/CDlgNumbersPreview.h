// The numbers preview: which unique numbers a numbers file yields, and how
// many, before a campaign starts; which of them cannot be valid, and why; and
// what will arrive: the message as the phone will show it and the SMS it
// costs. Reads the file itself and changes nothing. For personal messages
// from a .csv table it shows the rows its caller loaded instead: each row's
// own text and SMS, the rows flagged, and the duplicates dropped.
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
class CPersonalPreviewModel;
struct PersonalMessages;
struct PersonalPlan;

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
    // Personal messages instead of the numbers file (`error`: why the
    // message gives no texts); they must outlive the dialog. Before
    // OnInitDialog.
    void SetPersonal(const PersonalMessages* personal, const PersonalPlan* plan,
                     const QString& error);
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
    // "1,204 numbers x 2 SMS = 2,408 SMS"; for personal messages "1,204
    // numbers, 1,530 SMS in all (the longest: 2 SMS, Unicode)".
    static QString TotalText(std::size_t numbers, std::size_t partsPerNumber);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceControls();
    // By number: whether it is on the store's opt-out list (all false
    // without a store or a list).
    std::vector<bool> OptedOut(const std::vector<std::u16string>& numbers) const;
    // Says how many of the numbers will be skipped as opted out.
    void ShowOptedOut(std::size_t count);
    void InitPersonal();

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
    CPersonalPreviewModel* m_pPersonalModel = nullptr;
    const PersonalMessages* m_pPersonal = nullptr;
    const PersonalPlan* m_pPersonalPlan = nullptr;
    QString m_strPersonalError;
};
