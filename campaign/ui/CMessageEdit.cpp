#include "campaign/ui/CMessageEdit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

namespace {

QString WithLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

bool HasPrintable(const QString& text) {
    for (const QChar c : text) {
        if (c.isPrint()) {
            return true;
        }
    }
    return false;
}

}  // namespace

CMessageEdit::CMessageEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

QString CMessageEdit::Text() const {
    QString text = toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void CMessageEdit::SetText(const QString& text) {
    setPlainText(WithLf(text));
}

int CMessageEdit::StoredLength(const QString& text) {
    const QString plain = WithLf(text);
    return static_cast<int>(plain.size() + plain.count(QLatin1Char('\n')));
}

int CMessageEdit::Room() const {
    const int selected = StoredLength(textCursor().selectedText());
    return m_nLimit - (StoredLength(toPlainText()) - selected);
}

void CMessageEdit::keyPressEvent(QKeyEvent* event) {
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QString text = event->text();
    if ((lineBreak || HasPrintable(text)) && !(event->modifiers() & Qt::ControlModifier)) {
        const int needed = lineBreak ? 2 : StoredLength(text);
        if (needed > Room()) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CMessageEdit::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) {
        return;
    }
    const QString text = WithLf(source->text());
    int room = Room();
    int take = 0;
    for (; take < text.size(); ++take) {
        const int units = text[take] == QLatin1Char('\n') ? 2 : 1;
        if (units > room) {
            break;
        }
        room -= units;
    }
    // Never leave half of a surrogate pair behind.
    if (take > 0 && take < text.size() && text[take - 1].isHighSurrogate()) {
        --take;
    }
    if (take < text.size()) {
        QApplication::beep();
    }
    if (take > 0) {
        insertPlainText(text.left(take));
    }
}

void CMessageEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty() && StoredLength(event->commitString()) > Room()) {
        QApplication::beep();
        QInputMethodEvent cleared(event->preeditString(), event->attributes());
        QPlainTextEdit::inputMethodEvent(&cleared);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}
