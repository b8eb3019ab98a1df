// One panel of a command bar category: large buttons, columns of small
// buttons and check boxes, with the panel's caption underneath.
#pragma once

#include <QFrame>
#include <QString>

class QAction;
class QGridLayout;
class QLabel;
class QToolButton;

class CRibbonPanel final : public QFrame {
    Q_OBJECT

public:
    CRibbonPanel(const QString& caption, QWidget* parent = nullptr);

    // A button with a 32-pixel icon and its text underneath, in a column of
    // its own.
    QToolButton* AddLargeButton(QAction* action);
    // A button with a 16-pixel icon (if any) and its text beside it; three
    // make a column.
    QToolButton* AddSmallButton(QAction* action);
    // A check box bound to a checkable action, in the small-button columns.
    void AddCheckBox(QAction* action);

    void SetCaptionColor(const QColor& color);

private:
    QWidget* AddSmall(QWidget* widget);

    QGridLayout* m_pGrid = nullptr;
    QLabel* m_pCaption = nullptr;
    int m_nColumn = 0;
    int m_nSmallRow = 0;
};
