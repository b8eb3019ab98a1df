#include "app/CRibbonBar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/CIconPainter.h"
#include "app/CRibbonPanel.h"

CRibbonBar::CRibbonBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ribbonBar"));
    setAutoFillBackground(false);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(4, 2, 4, 3);
    outer->setSpacing(4);

    m_pAppButton = new QToolButton(this);
    m_pAppButton->setObjectName(QStringLiteral("applicationButton"));
    m_pAppButton->setIcon(CIconPainter::AppIcon());
    m_pAppButton->setIconSize(QSize(36, 36));
    m_pAppButton->setFixedSize(45, 45);
    m_pAppButton->setPopupMode(QToolButton::InstantPopup);
    m_pAppButton->setAutoRaise(true);
    outer->addWidget(m_pAppButton, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(column, 1);

    m_pQuickAccess = new QHBoxLayout;
    m_pQuickAccess->setSpacing(1);
    m_pQuickAccess->addStretch(1);
    column->addLayout(m_pQuickAccess);

    auto* tabRow = new QHBoxLayout;
    tabRow->setSpacing(2);
    m_pTabs = new QTabBar(this);
    m_pTabs->setObjectName(QStringLiteral("ribbonTabs"));
    m_pTabs->setDrawBase(false);
    m_pTabs->setExpanding(false);
    tabRow->addWidget(m_pTabs);
    tabRow->addStretch(1);
    m_pTabRowButtons = new QHBoxLayout;
    m_pTabRowButtons->setSpacing(1);
    tabRow->addLayout(m_pTabRowButtons);
    column->addLayout(tabRow);

    m_pCategories = new QStackedWidget(this);
    m_pCategories->setObjectName(QStringLiteral("ribbonCategories"));
    column->addWidget(m_pCategories);
    connect(m_pTabs, &QTabBar::currentChanged, m_pCategories, &QStackedWidget::setCurrentIndex);
}

void CRibbonBar::SetApplicationMenu(QMenu* menu, const QString& toolTip) {
    m_pAppButton->setMenu(menu);
    m_pAppButton->setToolTip(toolTip);
    m_pAppButton->setAccessibleName(toolTip);
}

void CRibbonBar::ShowApplicationMenu() {
    m_pAppButton->showMenu();
}

void CRibbonBar::AddQuickAccessAction(QAction* action) {
    auto* button = new QToolButton(this);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    m_pQuickAccess->insertWidget(m_pQuickAccess->count() - 1, button);
}

QWidget* CRibbonBar::AddCategory(const QString& name) {
    auto* page = new QWidget(m_pCategories);
    page->setObjectName(QStringLiteral("ribbonCategory"));
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(3);
    row->addStretch(1);
    m_pCategories->addWidget(page);
    m_pTabs->addTab(name);
    return page;
}

CRibbonPanel* CRibbonBar::AddPanel(QWidget* category, const QString& caption) {
    auto* panel = new CRibbonPanel(caption, category);
    auto* row = static_cast<QHBoxLayout*>(category->layout());
    row->insertWidget(row->count() - 1, panel);
    panel->SetCaptionColor(m_colors.panelText);
    m_panels.append(panel);
    return panel;
}

QToolButton* CRibbonBar::AddTabRowButton(QAction* action, QMenu* menu) {
    auto* button = new QToolButton(this);
    if (menu != nullptr) {
        button->setText(action->text());
        button->setToolTip(action->toolTip());
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    } else {
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    m_pTabRowButtons->addWidget(button);
    return button;
}

void CRibbonBar::SetColors(const CLookManager::BarColors& colors) {
    m_colors = colors;
    const QString sheet =
        QStringLiteral(
            "#ribbonBar QToolButton, #ribbonBar QCheckBox, #ribbonBar QTabBar::tab { color: %1; }"
            "#ribbonBar QToolButton { border: 1px solid transparent; border-radius: 3px; "
            "padding: 2px; background: transparent; }"
            "#ribbonBar QToolButton:hover, #ribbonBar QToolButton:pressed, "
            "#ribbonBar QToolButton:focus { background: %2; border-color: %3; color: black; }"
            "#ribbonBar QToolButton:disabled { color: %4; }"
            "#ribbonBar QToolButton::menu-indicator { subcontrol-origin: padding; "
            "subcontrol-position: right center; }"
            "#ribbonBar #ribbonCategory QToolButton, #ribbonBar #ribbonCategory QCheckBox "
            "{ color: %5; }"
            "#ribbonBar #ribbonCategory QToolButton:hover { color: black; }"
            "#ribbonBar QTabBar::tab { padding: 3px 14px; margin-right: 2px; border: 1px solid "
            "transparent; border-bottom: none; border-top-left-radius: 4px; "
            "border-top-right-radius: 4px; background: transparent; }"
            "#ribbonBar QTabBar::tab:selected { background: %6; color: %5; border-color: %3; }"
            "#ribbonBar #ribbonPanel { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
            "stop:0 %6, stop:1 %7); border: 1px solid %3; border-radius: 3px; }"
            "#ribbonBar #ribbonCategories { background: transparent; }")
            .arg(colors.text.name(), colors.hover.name(), colors.panelBottom.darker(125).name(),
                 colors.text.lightness() > 128 ? QStringLiteral("#8a8a8a")
                                               : QStringLiteral("#9a9a9a"),
                 colors.panelText.name(), colors.panelTop.name(), colors.panelBottom.name());
    setStyleSheet(sheet);
    for (CRibbonPanel* panel : m_panels) {
        panel->SetCaptionColor(colors.panelText);
    }
    update();
}

void CRibbonBar::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter p(this);
    QLinearGradient back(0, 0, 0, height());
    back.setColorAt(0, m_colors.top);
    back.setColorAt(1, m_colors.bottom);
    p.fillRect(rect(), back);
}
