#include "data/dataset/Field.h"

#include <algorithm>

#include "data/dataset/ClientDataSetImpl.h"
#include "data/dataset/Errors.h"
#include "data/dataset/FieldText.h"

namespace {
// Widths in characters of the types that have no size of their own.
int UsualWidth(DataType type, int precision) {
    switch (type) {
        case DataType::SmallInt:
            return 6;
        case DataType::Integer:
            return 11;
        case DataType::BigInt:
            return 20;
        case DataType::Float:
            return 10;
        case DataType::Bcd:
            return precision > 0 ? precision + 2 : 20;
        case DataType::Date:
        case DataType::Time:
            return 10;
        case DataType::TimeStamp:
            return 18;
        case DataType::Boolean:
            return 5;
        default:
            return 10;
    }
}

bool IsText(DataType type) {
    return type == DataType::String || type == DataType::Memo || type == DataType::Blob || type == DataType::Unknown;
}
}  // namespace

TField::TField(TClientDataSet *owner, std::string name, DataType type, int size, int column)
    : owner_(owner), name_(std::move(name)), type_(type), size_(size), column_(column) {}

int TField::DisplayWidth() const {
    if (displayWidth_ >= 0) return displayWidth_;
    return type_ == DataType::String ? size_ : UsualWidth(type_, precision_);
}

void TField::SetDisplayWidth(int characters) {
    if (characters == displayWidth_) return;
    displayWidth_ = characters;
    owner_->d_->Announce(DataEvent::LayoutChanged);
}

std::string TField::DisplayLabel() const { return displayLabel_.empty() ? name_ : displayLabel_; }

void TField::SetDisplayLabel(std::string label) {
    if (label == displayLabel_) return;
    displayLabel_ = std::move(label);
    owner_->d_->Announce(DataEvent::LayoutChanged);
}

void TField::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    owner_->d_->Announce(DataEvent::LayoutChanged);
}

int TField::Index() const {
    const auto &order = owner_->d_->order;
    auto it = std::find(order.begin(), order.end(), this);
    return it == order.end() ? -1 : static_cast<int>(it - order.begin());
}

void TField::SetIndex(int position) {
    auto &order = owner_->d_->order;
    if (order.empty()) return;
    position = std::clamp(position, 0, static_cast<int>(order.size()) - 1);
    int from = Index();
    if (from < 0 || from == position) return;
    order.erase(order.begin() + from);
    order.insert(order.begin() + position, this);
    owner_->d_->Announce(DataEvent::LayoutChanged);
}

FieldAlignment TField::Alignment() const {
    switch (type_) {
        case DataType::SmallInt:
        case DataType::Integer:
        case DataType::BigInt:
        case DataType::Float:
        case DataType::Bcd:
            return FieldAlignment::Right;
        default:
            return FieldAlignment::Left;
    }
}

// ---- values ----

bool TField::IsNull() const { return IsNullAt(owner_->d_->cur); }
std::string TField::GetString() const { return GetStringAt(owner_->d_->cur); }
std::string TField::DisplayText() const { return DisplayTextAt(owner_->d_->cur); }

bool TField::IsNullAt(int row) const {
    const auto *d = owner_->d_.get();
    if (!d->engine || row < 0 || row >= d->DisplayRows()) return true;
    if (d->ShowsBuffer(row)) return d->buffer[column_].isNull;
    return d->engine->IsNull(d->EngineRowAt(row), column_);
}

std::string TField::GetStringAt(int row) const {
    const auto *d = owner_->d_.get();
    if (!d->engine || row < 0 || row >= d->DisplayRows()) return {};
    if (d->ShowsBuffer(row)) return FieldValueText(type_, scale_, d->buffer[column_], false);
    int engineRow = d->EngineRowAt(row);
    if (IsText(type_)) return std::string(d->engine->Text(engineRow, column_));
    return FieldValueText(type_, scale_, d->engine->Value(engineRow, column_), false);
}

std::string TField::DisplayTextAt(int row) const {
    if (type_ != DataType::Blob) return GetStringAt(row);
    const auto *d = owner_->d_.get();
    if (!d->engine || row < 0 || row >= d->DisplayRows()) return {};
    if (d->ShowsBuffer(row)) return FieldValueText(type_, scale_, d->buffer[column_], true);
    return d->engine->IsNull(d->EngineRowAt(row), column_) ? std::string() : std::string("(BLOB)");
}

void TField::SetString(const std::string &text) { Store(FieldValueFromText(type_, scale_, text)); }

void TField::Clear() { Store(FieldValue{}); }

void TField::Store(FieldValue value) {
    auto *d = owner_->d_.get();
    d->CheckEditing();
    if (readOnly_) throw EDatabaseError("Field '" + name_ + "' cannot be modified");
    // The engine refuses a value that does not fit here, before it reaches
    // the row, so a post never meets a bad value.
    if (!value.isNull) d->engine->VerifyField(column_, value);
    d->buffer[column_] = std::move(value);
    d->modified = true;
    d->Announce(DataEvent::RecordChanged, 0, this);
}
