// The numbers preview: which unique numbers a numbers file yields, and how
// many, before a campaign starts. Reads the file itself and changes nothing.
#pragma once

#include <QDialog>
#include <QString>

#include "campaign/CNumberList.h"

class QGroupBox;
class QLineEdit;
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
    // Loads the file and fills the list and the count; a load failure is
    // reported in a message box before the dialog shows.
    void OnInitDialog();
    // Opens the numbers file in the program the desktop associates with it.
    void OnBnClickedOpenFile();

    int GetRowCount() const;
    QString GetCountText() const;
    QTableView* GetList() const { return m_lstNumbers; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceControls();

    CNumberList m_numberList;
    QString m_strFilePath;
    QTableView* m_lstNumbers = nullptr;
    QPushButton* m_btnOpenFile = nullptr;
    QLineEdit* m_edtFilePath = nullptr;
    QGroupBox* m_stcCount = nullptr;
    CNumbersPreviewModel* m_pModel = nullptr;
};
