// The command bar at the top of the main window, laid out like a ribbon: the
// application button with the File menu, the quick access buttons, the row of
// category tabs with the Style, About and Share buttons at its right end, and
// the panels of the selected category.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include "app/CLookManager.h"

class QAction;
class QMenu;
class QStackedWidget;
class QTabBar;
class QToolButton;
class QHBoxLayout;
class CRibbonPanel;

class CRibbonBar final : public QWidget {
    Q_OBJECT

public:
    explicit CRibbonBar(QWidget* parent = nullptr);

    // The round button at the top left; opens `menu`.
    void SetApplicationMenu(QMenu* menu, const QString& toolTip);
    void AddQuickAccessAction(QAction* action);
    // A category tab; returns the panel row to which panels are added.
    QWidget* AddCategory(const QString& name);
    CRibbonPanel* AddPanel(QWidget* category, const QString& caption);
    // A button at the right end of the tab row; with a menu it only opens it.
    QToolButton* AddTabRowButton(QAction* action, QMenu* menu = nullptr);

    void SetColors(const CLookManager::BarColors& colors);
    QToolButton* ApplicationButton() const { return m_pAppButton; }
    // Opens the application menu under its button (Alt+F).
    void ShowApplicationMenu();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CLookManager::BarColors m_colors = CLookManager::Colors(CLookManager::kDefaultLook);
    QToolButton* m_pAppButton = nullptr;
    QHBoxLayout* m_pQuickAccess = nullptr;
    QTabBar* m_pTabs = nullptr;
    QHBoxLayout* m_pTabRowButtons = nullptr;
    QStackedWidget* m_pCategories = nullptr;
    QList<CRibbonPanel*> m_panels;
};
