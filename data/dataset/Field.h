#pragma once
// A field of a client result set: one column, with its display properties.
#include <string>

#include "data/dataset/DataType.h"

class TClientDataSet;
struct FieldValue;

enum class FieldAlignment { Left, Right, Center };

class TField {
public:
    TField(TClientDataSet *owner, std::string name, DataType type, int size, int column);

    TClientDataSet *DataSet() const { return owner_; }
    const std::string &FieldName() const { return name_; }
    DataType Type() const { return type_; }
    int Size() const { return size_; }  // characters for text, else 0
    int Precision() const { return precision_; }
    int Scale() const { return scale_; }
    bool ReadOnly() const { return readOnly_; }
    bool Required() const { return required_; }
    bool Calculated() const { return false; }  // the program makes no calculated fields
    int Column() const { return column_; }     // column of the table engine (0-based)

    // Display properties. The label falls back to the field name; the width
    // (in characters) to the size of a text or a type's usual width.
    int DisplayWidth() const;
    void SetDisplayWidth(int characters);
    std::string DisplayLabel() const;
    void SetDisplayLabel(std::string label);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    int Index() const;                 // position among the result set's fields
    void SetIndex(int position);       // moves the field; announced as a layout change
    FieldAlignment Alignment() const;  // right for numbers, left otherwise

    // Values of the current row (the edit buffer while editing or inserting).
    bool IsNull() const;
    std::string GetString() const;
    // Raises "Dataset not in edit or insert mode" (prefixed) outside edit or
    // insert and "Field '%s' cannot be modified" for a read-only field.
    void SetString(const std::string &text);
    void Clear();  // sets null
    // The value as displayed: dates in the regional short date format, times
    // in the long time format, time stamps as date, a space and the time
    // unless the time is midnight; null gives "".
    std::string DisplayText() const;
    // The same for any row: row is 0-based in the result set's order; for the
    // current row it shows the edit buffer.
    std::string DisplayTextAt(int row) const;
    std::string GetStringAt(int row) const;
    bool IsNullAt(int row) const;

    // Set up by the result set when it builds its fields.
    void SetFlags(bool readOnly, bool required) {
        readOnly_ = readOnly;
        required_ = required;
    }
    void SetNumeric(int precision, int scale) {
        precision_ = precision;
        scale_ = scale;
    }
    void SetHidden(bool hidden) { visible_ = !hidden; }  // no announcement

private:
    void Store(FieldValue value);

    TClientDataSet *owner_;
    std::string name_;
    DataType type_;
    int size_;
    int column_;
    int precision_ = 0;
    int scale_ = 0;
    bool readOnly_ = false;
    bool required_ = false;
    bool visible_ = true;
    int displayWidth_ = -1;
    std::string displayLabel_;
};
