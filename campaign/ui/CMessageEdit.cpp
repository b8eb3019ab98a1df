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

bool CMessageEdit::Fits(const QString& text) const {
    if (!m_fnFits) {
        return true;
    }
    const QTextCursor cursor = textCursor();
    QString whole = toPlainText();
    whole.replace(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart(), text);
    whole.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return m_fnFits(whole);
}

void CMessageEdit::keyPressEvent(QKeyEvent* event) {
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QString text = event->text();
    if ((lineBreak || HasPrintable(text)) && !(event->modifiers() & Qt::ControlModifier)) {
        if (!Fits(lineBreak ? QStringLiteral("\n") : WithLf(text))) {
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
    // The longest beginning of the text that fits, found by halving: each
    // check plans the whole message.
    qsizetype take = text.size();
    if (!Fits(text)) {
        qsizetype low = 0;
        qsizetype high = text.size();
        while (low + 1 < high) {
            const qsizetype middle = (low + high) / 2;
            if (Fits(text.left(middle))) {
                low = middle;
            } else {
                high = middle;
            }
        }
        take = low;
        // Never leave half of a surrogate pair behind.
        if (take > 0 && text[take - 1].isHighSurrogate()) {
            --take;
        }
        QApplication::beep();
    }
    if (take > 0) {
        insertPlainText(text.left(take));
    }
}

void CMessageEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty() && !Fits(WithLf(event->commitString()))) {
        QApplication::beep();
        QInputMethodEvent cleared(event->preeditString(), event->attributes());
        QPlainTextEdit::inputMethodEvent(&cleared);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}
