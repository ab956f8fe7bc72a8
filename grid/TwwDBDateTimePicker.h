#pragma once
// A date-time picker bound to one field of a data source's result set: it
// shows the field's value for the current row, offers a calendar to drop
// down for dates, and writes a date picked or typed back to the field unless
// it is read-only. The grid lays it over its current cell on date and time
// columns.
#include <QDateTimeEdit>
#include <QString>

#include "grid/InplaceEditRules.h"

class TDataSource;
class TField;
class QCalendarWidget;
class QFrame;

class TwwDBDateTimePicker : public QDateTimeEdit {
    Q_OBJECT
public:
    explicit TwwDBDateTimePicker(QWidget *parent = nullptr);

    // The field is named, not held: a result set makes new fields whenever
    // it opens.
    void SetDataField(TDataSource *source, const QString &fieldName);
    TDataSource *DataSource() const { return source_; }
    const QString &DataField() const { return fieldName_; }
    // The bound field, or null while the set is closed or lacks it.
    TField *Field() const;
    // Read-only for the column; a read-only field makes it read-only anyway.
    void SetColumnReadOnly(bool on);
    // Shows the field's value for the current row (blank for no value).
    void LoadFromField();
    bool ShowsNull() const { return dateTime() == minimumDateTime(); }

    // Opens the calendar below the picker (date fields only).
    void DropDown();
    void CloseUp();
    bool DroppedDown() const;
    QCalendarWidget *Calendar() const { return calendar_; }

    // The caret of the text part, for the grid's key rules.
    wwgrid::EditorCaret Caret() const;
    // Drops the text selection, leaving the caret where it is.
    void Deselect();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void ApplyFormat();
    void UpdateReadOnly();
    void WriteToField();
    void CalendarPicked(const QDate &date);

    TDataSource *source_ = nullptr;
    QString fieldName_;
    bool columnReadOnly_ = false;
    bool loading_ = false;
    int kind_ = -1;  // the DataType the format was set for
    QFrame *popup_ = nullptr;
    QCalendarWidget *calendar_ = nullptr;
};
