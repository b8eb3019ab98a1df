// The rows of the numbers preview of personal messages (Sr, Line, Number,
// Text, SMS, Note): each recipient's own text and parts; Note flags a text
// that needs Unicode or more SMS than most, or cannot be sent.
#pragma once

#include <QAbstractTableModel>

struct PersonalMessages;
struct PersonalPlan;

class CPersonalPreviewModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        ColumnSr = 0,
        ColumnLine,
        ColumnNumber,
        ColumnText,
        ColumnParts,
        ColumnNote,
        ColumnCount
    };

    explicit CPersonalPreviewModel(QObject* parent = nullptr);

    // Shows the recipients of `personal` with their plan (null: no rows);
    // both must outlive the model or be replaced before they go.
    void SetPersonal(const PersonalMessages* personal, const PersonalPlan* plan);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // "Unicode; 3 SMS, most take 2", or the reason it cannot be sent.
    QString NoteOf(int row) const;

private:
    const PersonalMessages* m_pPersonal = nullptr;
    const PersonalPlan* m_pPlan = nullptr;
};
