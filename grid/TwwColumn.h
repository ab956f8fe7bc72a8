#pragma once
// One displayed field as the grid sees it: its name plus what the column
// list says about it. Looked up by field name (ASCII case ignored).
#include <QString>
#include <QStringList>
#include <memory>

class TwwCustomDBGrid;

class TwwColumn {
public:
    TwwColumn() = default;
    TwwColumn(const TwwCustomDBGrid *grid, QString fieldName);

    const TwwCustomDBGrid *Grid() const { return grid_; }
    const QString &FieldName() const { return fieldName_; }
    int DisplayWidth() const;  // the field's display width in characters
    QString DisplayLabel() const;
    bool ReadOnly() const;  // the column list marks the column "T"
    const QString &GroupName() const { return groupName_; }

    // Flags of the first 256 visible rows, used by group titles; allocated
    // on first use.
    unsigned char *RowFlags();
    bool HasRowFlags() const { return rowFlags_ != nullptr; }

private:
    const TwwCustomDBGrid *grid_ = nullptr;
    QString fieldName_;
    QString groupName_;
    std::unique_ptr<unsigned char[]> rowFlags_;
};
