#pragma once
// The parameters of a statement component: one per marker name, each with the
// value it is executed with. A parameter that was never given a value is
// unassigned, which is not the same as NULL.
#include <cstdint>
#include <string>
#include <vector>

#include "data/sql/SqlDriver.h"

class TParam {
public:
    explicit TParam(std::string name) : name_(std::move(name)) {}

    const std::string &Name() const { return name_; }
    bool IsAssigned() const { return assigned_; }
    bool IsNull() const { return value_.isNull; }
    DataType Type() const { return value_.type; }

    void SetString(std::string utf8);
    void SetInteger(int64_t value);
    // A NUMERIC or DECIMAL: unscaled value with `scale` digits after the point
    // (12345 with scale 2 is 123.45).
    void SetBcd(int64_t unscaled, int scale);
    void SetFloat(double value);
    void SetDate(int32_t days);        // days since 1858-11-17
    void SetTime(uint32_t fractions);  // 1/10000 s since midnight
    void SetDateTime(int32_t days, uint32_t fractions);
    void SetBoolean(bool value);
    void SetMemo(std::string utf8);   // a text blob
    void SetBlob(std::string bytes);  // a binary blob
    // NULL; its type is the marker's own unless one was set before.
    void SetNull();
    // Back to unassigned.
    void Clear();

    // As the driver takes it (bytes point into this parameter).
    SQLParamValue DriverValue() const;
    const std::string &AsString() const { return bytes_; }
    int64_t AsInteger() const { return value_.integer; }

private:
    void Assign(DataType type);
    std::string name_;
    bool assigned_ = false;
    SQLParamValue value_;
    std::string bytes_;
};

class TParams {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TParam &operator[](int index) { return items_.at(static_cast<size_t>(index)); }
    const TParam &operator[](int index) const { return items_.at(static_cast<size_t>(index)); }
    // Null when no parameter has the name (compared without regard to case).
    TParam *FindParam(const std::string &name);

    // One parameter per distinct name, in the order the names first occur;
    // a name that was there before keeps its value. Gives, per name, the
    // index of its parameter: a statement binds its markers through these,
    // so a text with thousands of markers binds in linear time.
    std::vector<int> Rebuild(const std::vector<std::string> &names);

private:
    std::vector<TParam> items_;
};
