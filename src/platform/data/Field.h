#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

#include "platform/data/FieldType.h"
#include "platform/text/Currency.h"
#include "platform/text/OleDate.h"

class TDataSet;

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// One column of a dataset. A field holds no value of its own: it reads and writes the record the
// dataset currently shows (the cursor's record, the edit buffer, or the record a grid is painting),
// so a field pointer stays valid while the dataset moves.
//
// Values are kept in one representation per type class, which is also what queries hand over:
// whole numbers qint64, Yes/No bool, Float/Currency/BCD double, dates and times the OLE date as
// double, texts QString, binary QByteArray. NULL is an invalid QVariant; an empty text is not NULL.
class TField {
public:
    TField(TDataSet* dataSet, const QString& fieldName, TFieldType dataType, int size);

    TDataSet* DataSet() const { return dataSet_; }
    const QString& FieldName() const { return fieldName_; }
    TFieldType DataType() const { return dataType_; }
    int Size() const { return size_; }
    int Index() const { return index_; }

    // The column title; the field name while none was given.
    QString DisplayLabel() const { return displayLabel_.isEmpty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(const QString& label) { displayLabel_ = label; }
    int DisplayWidth() const;
    void SetDisplayWidth(int width) { displayWidth_ = width; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment) { alignment_ = alignment; }
    const QString& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const QString& format) { displayFormat_ = format; }
    const QString& EditMask() const { return editMask_; }
    void SetEditMask(const QString& mask) { editMask_ = mask; }
    const QString& DefaultExpression() const { return defaultExpression_; }
    void SetDefaultExpression(const QString& expression) { defaultExpression_ = expression; }
    TFieldKind FieldKind() const { return fieldKind_; }
    void SetFieldKind(TFieldKind kind) { fieldKind_ = kind; }
    // A lookup field names the record of LookupDataSet whose LookupKeyFields equal this dataset's
    // KeyFields, and shows its LookupResultField.
    TDataSet* LookupDataSet() const { return lookupDataSet_; }
    void SetLookupDataSet(TDataSet* dataSet) { lookupDataSet_ = dataSet; }
    const QString& KeyFields() const { return keyFields_; }
    void SetKeyFields(const QString& names) { keyFields_ = names; }
    const QString& LookupKeyFields() const { return lookupKeyFields_; }
    void SetLookupKeyFields(const QString& names) { lookupKeyFields_ = names; }
    const QString& LookupResultField() const { return lookupResultField_; }
    void SetLookupResultField(const QString& name) { lookupResultField_ = name; }
    // A free number for the program; a grid hides the default column of a field tagged -1.
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    bool IsNull() const { return !Value().isValid(); }
    bool IsText() const;
    bool IsNumeric() const;

    // Reading converts from the stored representation; NULL reads as 0, false or "".
    const QVariant& Value() const;
    QVariant AsVariant() const { return Value(); }
    QString AsString() const;
    qint64 AsLargeInt() const;
    int AsInteger() const { return static_cast<int>(AsLargeInt()); }
    double AsFloat() const;
    Currency AsCurrency() const { return Currency::FromDouble(AsFloat()); }
    bool AsBoolean() const;
    TDateTime AsDateTime() const;
    // The text a grid shows: DisplayFormat for numbers and dates when set, else AsString.
    QString DisplayText() const;

    // Writing needs the dataset in edit or insert state and converts into the field's
    // representation; a value that does not convert raises EDataSetError.
    void SetValue(const QVariant& value);
    void SetAsVariant(const QVariant& value) { SetValue(value); }
    void SetAsString(const QString& value);
    void SetAsInteger(qint64 value) { SetValue(value); }
    void SetAsFloat(double value) { SetValue(value); }
    void SetAsCurrency(Currency value) { SetValue(value.ToDouble()); }
    void SetAsBoolean(bool value) { SetValue(value); }
    void SetAsDateTime(TDateTime value) { SetValue(value); }
    void Clear() { SetValue(QVariant()); }

    // The stored representation of a value for a field of the given type.
    static QVariant Normalize(TFieldType type, const QVariant& value, const QString& fieldName);

private:
    friend class TDataSet;
    friend class TFields;

    TDataSet* dataSet_;
    QString fieldName_;
    TFieldType dataType_;
    int size_;
    int index_ = -1;
    QString displayLabel_;
    int displayWidth_ = -1;
    bool visible_ = true;
    bool readOnly_ = false;
    bool required_ = false;
    TAlignment alignment_;
    QString displayFormat_;
    QString editMask_;
    QString defaultExpression_;
    TFieldKind fieldKind_ = fkData;
    TDataSet* lookupDataSet_ = nullptr;
    QString keyFields_, lookupKeyFields_, lookupResultField_;
    int tag_ = 0;
};

// The fields of a dataset in column order. Names are found without regard to case, as the
// database engine matches column names.
class TFields {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TField* operator[](int index) const { return items_.at(static_cast<size_t>(index)).get(); }
    TField* Fields(int index) const { return (*this)[index]; }
    TField* FindField(const QString& name) const;
    TField* FieldByName(const QString& name) const;
    int IndexOf(const QString& name) const;

private:
    friend class TDataSet;
    void Add(std::unique_ptr<TField> field);
    void Clear() { items_.clear(); }

    std::vector<std::unique_ptr<TField>> items_;
};

// A field definition of a memory table, turned into a field by CreateTable.
struct TFieldDef {
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    bool Required = false;
    QString DisplayFormat;
};

class TFieldDefs {
public:
    TFieldDef& Add(const QString& name, TFieldType dataType, int size = 0, bool required = false);
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    const TFieldDef& operator[](int index) const { return items_.at(static_cast<size_t>(index)); }
    int IndexOf(const QString& name) const;

private:
    std::vector<TFieldDef> items_;
};

// Text forms of values as the station writes them (Czech settings: "," decimal point,
// d.M.yyyy dates, h:nn:ss times).
QString FloatToText(double value);
QString OleDateToText(TDateTime value, TFieldType type);
