#include "grid/TwwDBDateTimePicker.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>

#include "data/dataset/ClientDataSet.h"
#include "data/dataset/DataSource.h"
#include "data/dataset/Field.h"
#include "data/dataset/FieldText.h"
#include "data/dataset/HandlerFailure.h"

namespace {
// The value that stands for "no value": shown as a blank.
QDateTime NoValue() { return QDateTime(QDate(100, 1, 1), QTime(0, 0)); }
// Times are held on a day of their own, after the blank.
QDate TimeDay() { return QDate(2000, 1, 1); }

QString DateFormat() { return QString::fromStdString(ShortDateFormat()); }
QString TimeFormat() { return QString::fromStdString(LongTimeFormat()); }

// The drop-down: a calendar in a pop-up frame that Escape closes.
class CalendarPopup : public QFrame {
public:
    explicit CalendarPopup(QWidget *owner) : QFrame(owner, Qt::Popup) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setAttribute(Qt::WA_WindowPropagation);
    }

protected:
    void keyPressEvent(QKeyEvent *event) override {
        if (event->key() == Qt::Key_Escape) {
            hide();
            return;
        }
        QFrame::keyPressEvent(event);
    }
};
}  // namespace

TwwDBDateTimePicker::TwwDBDateTimePicker(QWidget *parent) : QDateTimeEdit(parent) {
    setObjectName(QStringLiteral("DateTimePicker"));
    setFrame(false);
    setFocusPolicy(Qt::ClickFocus);
    setCalendarPopup(true);  // the drop-down arrow; the calendar itself is ours
    setDateTimeRange(NoValue(), QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999)));
    setSpecialValueText(QStringLiteral(" "));
    connect(this, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (!loading_ && !isReadOnly()) RunHandler([this] { WriteToField(); });
    });
    hide();
}

void TwwDBDateTimePicker::SetDataField(TDataSource *source, const QString &fieldName) {
    source_ = source;
    fieldName_ = fieldName;
    LoadFromField();
}

TField *TwwDBDateTimePicker::Field() const {
    TClientDataSet *set = source_ ? source_->DataSet() : nullptr;
    if (!set || !set->Active() || fieldName_.isEmpty()) return nullptr;
    return set->FindField(fieldName_.toStdString());
}

void TwwDBDateTimePicker::SetColumnReadOnly(bool on) {
    columnReadOnly_ = on;
    UpdateReadOnly();
}

void TwwDBDateTimePicker::UpdateReadOnly() {
    TField *field = Field();
    setReadOnly(columnReadOnly_ || !field || field->ReadOnly() || !field->DataSet()->CanModify());
}

void TwwDBDateTimePicker::ApplyFormat() {
    TField *field = Field();
    const int kind = field ? int(field->Type()) : -1;
    if (kind == kind_) return;
    kind_ = kind;
    const bool timeOnly = field && field->Type() == DataType::Time;
    setDisplayFormat(timeOnly ? TimeFormat() : DateFormat());
    setCalendarPopup(!timeOnly);
}

void TwwDBDateTimePicker::LoadFromField() {
    loading_ = true;
    ApplyFormat();
    UpdateReadOnly();
    TField *field = Field();
    QDateTime value = NoValue();
    if (field && !field->IsNull()) {
        const QString text = QString::fromStdString(field->GetString());
        if (field->Type() == DataType::Time) {
            const QTime time = QLocale::system().toTime(text, TimeFormat());
            if (time.isValid()) value = QDateTime(TimeDay(), time);
        } else {
            const QDate date = QLocale::system().toDate(text, DateFormat());
            if (date.isValid()) value = QDateTime(date, QTime(0, 0));
        }
    }
    if (value != dateTime()) setDateTime(value);
    loading_ = false;
}

// Only the operator's own change comes here (a read-only picker takes none).
void TwwDBDateTimePicker::WriteToField() {
    TField *field = Field();
    if (!field) return;
    TClientDataSet *set = field->DataSet();
    if (set->State() == DataSetState::Browse) {
        if (!source_->AutoEdit()) {
            LoadFromField();
            return;
        }
        set->Edit();
    }
    if (ShowsNull()) {
        field->Clear();
        return;
    }
    const QLocale locale = QLocale::system();
    const QString text =
        field->Type() == DataType::Time ? locale.toString(time(), TimeFormat()) : locale.toString(date(), DateFormat());
    field->SetString(text.toStdString());
}

void TwwDBDateTimePicker::DropDown() {
    if (!calendarPopup()) return;
    if (!popup_) {
        popup_ = new CalendarPopup(this);
        calendar_ = new QCalendarWidget(popup_);
        calendar_->setObjectName(QStringLiteral("DateTimePickerCalendar"));
        auto *layout = new QVBoxLayout(popup_);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(calendar_);
        connect(calendar_, &QCalendarWidget::activated, this, &TwwDBDateTimePicker::CalendarPicked);
        connect(calendar_, &QCalendarWidget::clicked, this, &TwwDBDateTimePicker::CalendarPicked);
    }
    calendar_->setSelectedDate(ShowsNull() ? QDate::currentDate() : date());
    popup_->adjustSize();
    popup_->move(mapToGlobal(rect().bottomLeft()));
    popup_->show();
    calendar_->setFocus(Qt::PopupFocusReason);
}

void TwwDBDateTimePicker::CloseUp() {
    if (DroppedDown()) popup_->hide();
}

bool TwwDBDateTimePicker::DroppedDown() const { return popup_ && popup_->isVisible(); }

void TwwDBDateTimePicker::CalendarPicked(const QDate &picked) {
    popup_->hide();
    // A read-only picker shows the calendar but keeps its value.
    if (!isReadOnly() && picked.isValid()) setDate(picked);
}

wwgrid::EditorCaret TwwDBDateTimePicker::Caret() const {
    const QLineEdit *edit = lineEdit();
    return {edit->cursorPosition(), int(edit->selectedText().size()), int(edit->text().size())};
}

void TwwDBDateTimePicker::Deselect() { lineEdit()->deselect(); }

void TwwDBDateTimePicker::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Down && event->modifiers().testFlag(Qt::AltModifier)) {
        DropDown();
        event->accept();
        return;
    }
    QDateTimeEdit::keyPressEvent(event);
}

// The arrow drops the calendar down also when the picker is read-only,
// which the stock widget does not.
void TwwDBDateTimePicker::mousePressEvent(QMouseEvent *event) {
    if (calendarPopup() && event->button() == Qt::LeftButton) {
        QStyleOptionComboBox option;
        option.initFrom(this);
        option.editable = true;
        option.subControls = QStyle::SC_All;
        const QRect arrow = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
        if (arrow.contains(event->position().toPoint())) {
            event->accept();
            DropDown();
            return;
        }
    }
    QDateTimeEdit::mousePressEvent(event);
}
