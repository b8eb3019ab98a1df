#include "app/CRibbonPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kSmallRows = 3;

}  // namespace

CRibbonPanel::CRibbonPanel(const QString& caption, QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("ribbonPanel"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 3, 4, 1);
    outer->setSpacing(1);
    m_pGrid = new QGridLayout;
    m_pGrid->setSpacing(1);
    m_pGrid->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(m_pGrid, 1);
    m_pCaption = new QLabel(caption, this);
    m_pCaption->setObjectName(QStringLiteral("ribbonPanelCaption"));
    m_pCaption->setAlignment(Qt::AlignCenter);
    outer->addWidget(m_pCaption);
}

QToolButton* CRibbonPanel::AddLargeButton(QAction* action) {
    if (m_nSmallRow != 0) {
        ++m_nColumn;
        m_nSmallRow = 0;
    }
    auto* button = new QToolButton(this);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    m_pGrid->addWidget(button, 0, m_nColumn, kSmallRows, 1);
    ++m_nColumn;
    return button;
}

QWidget* CRibbonPanel::AddSmall(QWidget* widget) {
    m_pGrid->addWidget(widget, m_nSmallRow, m_nColumn);
    if (++m_nSmallRow == kSmallRows) {
        m_nSmallRow = 0;
        ++m_nColumn;
    }
    return widget;
}

QToolButton* CRibbonPanel::AddSmallButton(QAction* action) {
    auto* button = new QToolButton(this);
    button->setDefaultAction(action);
    button->setToolButtonStyle(action->icon().isNull() ? Qt::ToolButtonTextOnly
                                                       : Qt::ToolButtonTextBesideIcon);
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    AddSmall(button);
    return button;
}

void CRibbonPanel::AddCheckBox(QAction* action) {
    auto* box = new QCheckBox(action->text(), this);
    box->setChecked(action->isChecked());
    connect(box, &QCheckBox::toggled, action, &QAction::setChecked);
    connect(action, &QAction::toggled, box, &QCheckBox::setChecked);
    AddSmall(box);
}

void CRibbonPanel::SetCaptionColor(const QColor& color) {
    QPalette palette = m_pCaption->palette();
    palette.setColor(QPalette::WindowText, color);
    m_pCaption->setPalette(palette);
}
