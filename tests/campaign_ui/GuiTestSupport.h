// Helpers of the GUI tests: numbers files, recorded message boxes, a view on
// a scripted modem.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <string>
#include <utility>
#include <vector>

#include "campaign/doc/QtText.h"
#include "campaign/ui/CMessageBox.h"

// Writes `lines` as a UTF-16LE numbers file with a byte-order mark, each line
// ended by CR LF.
inline QString WriteNumbersFile(const QTemporaryDir& dir, const QString& name,
                                const QStringList& lines) {
    const QString path = dir.filePath(name);
    QByteArray bytes("\xFF\xFE", 2);
    for (const QString& line : lines) {
        const QString text = line + QStringLiteral("\r\n");
        bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return {};
    }
    return path;
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Records every message box instead of showing it, for the life of the
// object; answers questions with `answer`.
class RecordedBoxes {
public:
    struct Box {
        CMessageBox::Kind kind;
        QString text;
    };

    RecordedBoxes() {
        CMessageBox::SetHandler([this](QWidget*, CMessageBox::Kind kind, const QString& text) {
            boxes.push_back({kind, text});
            if (onBox) {
                onBox(boxes.back());
            }
            return kind == CMessageBox::Kind::Question ? answer : QMessageBox::Ok;
        });
    }
    ~RecordedBoxes() { CMessageBox::SetHandler({}); }
    RecordedBoxes(const RecordedBoxes&) = delete;
    RecordedBoxes& operator=(const RecordedBoxes&) = delete;

    QStringList Texts() const {
        QStringList texts;
        for (const Box& box : boxes) {
            texts << box.text;
        }
        return texts;
    }

    std::vector<Box> boxes;
    QMessageBox::StandardButton answer = QMessageBox::No;
    std::function<void(const Box&)> onBox;
};

inline QString Q(std::u16string_view text) {
    return ToQString(text);
}
