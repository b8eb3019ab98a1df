#include "campaign/ui/CMessageBox.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <utility>

void CMessageBox::Show(QWidget* parent, Kind kind, const QString& text) {
    if (const Handler& handler = CurrentHandler()) {
        handler(parent, kind, text);
        return;
    }
    QMessageBox box(kind == Kind::Error ? QMessageBox::Critical : QMessageBox::Information,
                    QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box.exec();
}

QMessageBox::StandardButton CMessageBox::Ask(QWidget* parent, const QString& text) {
    if (const Handler& handler = CurrentHandler()) {
        return handler(parent, Kind::Question, text);
    }
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton CMessageBox::Choose(QWidget* parent, const QString& text,
                                                const std::vector<Choice>& choices) {
    if (const Handler& handler = CurrentHandler()) {
        return handler(parent, Kind::Question, text);
    }
    QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, parent);
    for (const Choice& choice : choices) {
        box.addButton(choice.button);
        box.button(choice.button)->setText(choice.text);
    }
    if (!choices.empty()) {
        box.setDefaultButton(choices.front().button);
        box.setEscapeButton(choices.back().button);
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void CMessageBox::SetHandler(Handler handler) {
    CurrentHandler() = std::move(handler);
}

CMessageBox::Handler& CMessageBox::CurrentHandler() {
    static Handler handler;
    return handler;
}
