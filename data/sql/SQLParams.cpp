#include "data/sql/SQLParams.h"

#include <unordered_map>

#include "data/sql/ParamList.h"

void TParam::Assign(DataType type) {
    assigned_ = true;
    value_ = SQLParamValue{};
    value_.type = type;
    bytes_.clear();
}

void TParam::SetString(std::string utf8) {
    Assign(DataType::String);
    bytes_ = std::move(utf8);
}

void TParam::SetInteger(int64_t value) {
    Assign(DataType::BigInt);
    value_.integer = value;
}

void TParam::SetBcd(int64_t unscaled, int scale) {
    Assign(DataType::Bcd);
    value_.integer = unscaled;
    value_.scale = static_cast<int16_t>(scale);
}

void TParam::SetFloat(double value) {
    Assign(DataType::Float);
    value_.real = value;
}

void TParam::SetDate(int32_t days) {
    Assign(DataType::Date);
    value_.days = days;
}

void TParam::SetTime(uint32_t fractions) {
    Assign(DataType::Time);
    value_.fractions = fractions;
}

void TParam::SetDateTime(int32_t days, uint32_t fractions) {
    Assign(DataType::TimeStamp);
    value_.days = days;
    value_.fractions = fractions;
}

void TParam::SetBoolean(bool value) {
    Assign(DataType::Boolean);
    value_.integer = value ? 1 : 0;
}

void TParam::SetMemo(std::string utf8) {
    Assign(DataType::Memo);
    bytes_ = std::move(utf8);
}

void TParam::SetBlob(std::string bytes) {
    Assign(DataType::Blob);
    bytes_ = std::move(bytes);
}

void TParam::SetNull() {
    const DataType type = assigned_ ? value_.type : DataType::Unknown;
    Assign(type);
    value_.isNull = true;
}

void TParam::Clear() {
    assigned_ = false;
    value_ = SQLParamValue{};
    bytes_.clear();
}

SQLParamValue TParam::DriverValue() const {
    SQLParamValue value = value_;
    value.bytes = bytes_;
    return value;
}

TParam *TParams::FindParam(const std::string &name) {
    for (TParam &param : items_)
        if (SameText(param.Name(), name)) return &param;
    return nullptr;
}

std::vector<int> TParams::Rebuild(const std::vector<std::string> &names) {
    const auto key = [](const std::string &name) { return SameTextKey(name); };
    std::unordered_map<std::string, int> before, placed;
    for (size_t i = 0; i < items_.size(); ++i) before.emplace(key(items_[i].Name()), static_cast<int>(i));
    std::vector<TParam> rebuilt;
    std::vector<int> indexes;
    indexes.reserve(names.size());
    for (const std::string &name : names) {
        const auto [at, added] = placed.emplace(key(name), static_cast<int>(rebuilt.size()));
        if (added) {
            const auto old = before.find(at->first);
            rebuilt.push_back(old != before.end() ? items_[static_cast<size_t>(old->second)] : TParam(name));
        }
        indexes.push_back(at->second);
    }
    items_ = std::move(rebuilt);
    return indexes;
}
