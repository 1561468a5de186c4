#include "platform/data/Field.h"

#include <QDate>
#include <QRegularExpression>
#include <cmath>

#include "platform/data/DataSet.h"
#include "platform/text/DateFormat.h"
#include "platform/text/NumberFormat.h"

namespace {

[[noreturn]] void ConversionError(const QVariant& value, const char* what, const QString& fieldName) {
    throw EDataSetError(QStringLiteral("'%1' není platná hodnota typu %2 pro pole '%3'.")
                            .arg(value.toString(), QLatin1String(what), fieldName));
}

// Numbers typed by the user or taken from texts: either decimal point, thousands blanks allowed.
bool ParseNumber(QString text, double& out) {
    text.remove(u' ').remove(QChar(0xA0));
    text.replace(u',', u'.');
    bool ok = false;
    out = text.toDouble(&ok);
    return ok;
}

bool ParseDateTimeText(const QString& text, TFieldType type, double& out) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*(?:(\\d{1,2})\\.\\s*(\\d{1,2})\\.\\s*(\\d{1,4}))?\\s*(?:(\\d{1,2}):(\\d{1,2})(?:"
                       ":(\\d{1,2}))?)?\\s*$"));
    const auto m = re.match(text);
    if (!m.hasMatch() || text.trimmed().isEmpty()) return false;
    QDate date(1899, 12, 30);
    if (!m.captured(1).isEmpty()) {
        date = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
        if (!date.isValid()) return false;
    } else if (type != ftTime) {
        return false;
    }
    QTime time(0, 0);
    if (!m.captured(4).isEmpty()) {
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!time.isValid()) return false;
    }
    out = DateTimeToOle(date, time);
    if (type == ftTime) out = out - std::floor(out);
    return true;
}

}  // namespace

QString FloatToText(double value) { return FloatToStr(value); }

QString OleDateToText(TDateTime value, TFieldType type) {
    if (type == ftDate) return DateToStr(value);
    if (type == ftTime) return TimeToStr(value);
    return DateTimeToStr(value);
}

TField::TField(TDataSet* dataSet, const QString& fieldName, TFieldType dataType, int size)
    : dataSet_(dataSet), fieldName_(fieldName), dataType_(dataType), size_(size) {
    alignment_ = IsNumeric() ? taRightJustify : taLeftJustify;
}

bool TField::IsText() const { return IsTextType(dataType_); }
bool TField::IsNumeric() const { return IsIntegerType(dataType_) || IsFloatType(dataType_); }

int TField::DisplayWidth() const {
    if (displayWidth_ >= 0) return displayWidth_;
    if (dataType_ == ftString || dataType_ == ftWideString) return size_ > 0 ? size_ : 20;
    if (dataType_ == ftGuid) return 38;
    if (dataType_ == ftBoolean) return 5;
    if (IsDateType(dataType_)) return 18;
    if (IsNumeric()) return 10;
    return 10;
}

const QVariant& TField::Value() const { return dataSet_->FieldValue(index_); }

QString TField::AsString() const {
    const QVariant& v = Value();
    if (!v.isValid()) return QString();
    if (IsFloatType(dataType_)) return FloatToText(v.toDouble());
    if (IsDateType(dataType_)) return OleDateToText(v.toDouble(), dataType_);
    if (dataType_ == ftBoolean) return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (v.typeId() == QMetaType::QByteArray) return QString::fromLatin1(v.toByteArray());
    return v.toString();
}

qint64 TField::AsLargeInt() const {
    const QVariant& v = Value();
    if (!v.isValid()) return 0;
    switch (v.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
            return v.toLongLong();
        case QMetaType::Bool:
            return v.toBool() ? 1 : 0;
        case QMetaType::Double:
            return std::llround(v.toDouble());
        default: {
            double d = 0;
            if (!ParseNumber(v.toString(), d)) ConversionError(v, "Integer", fieldName_);
            return std::llround(d);
        }
    }
}

double TField::AsFloat() const {
    const QVariant& v = Value();
    if (!v.isValid()) return 0;
    switch (v.typeId()) {
        case QMetaType::Double:
        case QMetaType::LongLong:
        case QMetaType::Int:
            return v.toDouble();
        case QMetaType::Bool:
            return v.toBool() ? 1 : 0;
        default: {
            double d = 0;
            if (!ParseNumber(v.toString(), d)) ConversionError(v, "Float", fieldName_);
            return d;
        }
    }
}

bool TField::AsBoolean() const {
    const QVariant& v = Value();
    if (!v.isValid()) return false;
    if (v.typeId() == QMetaType::QString) {
        const QString t = v.toString().trimmed().toUpper();
        if (t == u"TRUE" || t == u"1" || t == u"-1") return true;
        if (t == u"FALSE" || t == u"0" || t.isEmpty()) return false;
        ConversionError(v, "Boolean", fieldName_);
    }
    return v.toDouble() != 0;
}

TDateTime TField::AsDateTime() const {
    const QVariant& v = Value();
    if (!v.isValid()) return 0;
    if (v.typeId() == QMetaType::QString) {
        double d = 0;
        if (!ParseDateTimeText(v.toString(), ftDateTime, d)) ConversionError(v, "DateTime", fieldName_);
        return d;
    }
    return v.toDouble();
}

QString TField::DisplayText() const {
    const QVariant& v = Value();
    if (!v.isValid()) return AsString();
    // An amount of money without a format of its own shows as amounts show on cards and prints:
    // thousands grouped, always two decimals. Its stored text (AsString) stays the plain number.
    if (displayFormat_.isEmpty())
        return dataType_ == ftCurrency ? FormatCurr(QStringLiteral(",0.00"), AsCurrency()) : AsString();
    if (dataType_ == ftCurrency) return FormatCurr(displayFormat_, AsCurrency());
    if (IsNumeric()) return FormatFloat(displayFormat_, AsFloat());
    if (IsDateType(dataType_)) return FormatDateTime(displayFormat_, AsDateTime());
    return AsString();
}

void TField::SetValue(const QVariant& value) {
    dataSet_->SetFieldValue(index_, Normalize(dataType_, value, fieldName_));
}

void TField::SetAsString(const QString& value) {
    // An empty text clears a non-text field, as an emptied entry box does.
    if (!IsText() && value.trimmed().isEmpty()) {
        Clear();
        return;
    }
    SetValue(value);
}

QVariant TField::Normalize(TFieldType type, const QVariant& value, const QString& fieldName) {
    if (!value.isValid() || value.typeId() == QMetaType::Nullptr) return QVariant();
    const int id = value.typeId();
    if (IsTextType(type)) {
        if (id == QMetaType::QString) return value;
        if (id == QMetaType::Double) return FloatToText(value.toDouble());
        if (id == QMetaType::Bool) return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        return value.toString();
    }
    if (IsIntegerType(type)) {
        if (id == QMetaType::LongLong) return value;
        if (id == QMetaType::Int || id == QMetaType::UInt || id == QMetaType::Short ||
            id == QMetaType::UShort || id == QMetaType::Long || id == QMetaType::ULong ||
            id == QMetaType::Char || id == QMetaType::UChar)
            return value.toLongLong();
        if (id == QMetaType::Bool) return qint64(value.toBool() ? 1 : 0);
        double d = 0;
        if (id == QMetaType::Double || id == QMetaType::Float)
            d = value.toDouble();
        else if (!ParseNumber(value.toString(), d))
            ConversionError(value, "Integer", fieldName);
        if (d != std::floor(d) && id == QMetaType::QString) ConversionError(value, "Integer", fieldName);
        return qint64(std::llround(d));
    }
    if (IsFloatType(type)) {
        if (id == QMetaType::Double) return value;
        if (id == QMetaType::QString) {
            double d = 0;
            if (!ParseNumber(value.toString(), d)) ConversionError(value, "Float", fieldName);
            return d;
        }
        if (id == QMetaType::Bool) return value.toBool() ? 1.0 : 0.0;
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (!ok) ConversionError(value, "Float", fieldName);
        return d;
    }
    if (IsDateType(type)) {
        if (id == QMetaType::QDateTime) return QDateTimeToOle(value.toDateTime());
        if (id == QMetaType::QDate) return DateTimeToOle(value.toDate());
        if (id == QMetaType::QTime) return DateTimeToOle(QDate(1899, 12, 30), value.toTime());
        if (id == QMetaType::QString) {
            double d = 0;
            if (!ParseDateTimeText(value.toString(), type, d)) ConversionError(value, "DateTime", fieldName);
            return d;
        }
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (!ok) ConversionError(value, "DateTime", fieldName);
        return d;
    }
    if (type == ftBoolean) {
        if (id == QMetaType::Bool) return value;
        if (id == QMetaType::QString) {
            const QString t = value.toString().trimmed().toUpper();
            if (t == u"TRUE" || t == u"1" || t == u"-1") return true;
            if (t == u"FALSE" || t == u"0") return false;
            ConversionError(value, "Boolean", fieldName);
        }
        return value.toDouble() != 0;
    }
    if (type == ftBlob || type == ftGraphic) {
        if (id == QMetaType::QByteArray) return value;
        return value.toString().toLatin1();
    }
    return value;
}

// --- TFields

void TFields::Add(std::unique_ptr<TField> field) {
    field->index_ = Count();
    items_.push_back(std::move(field));
}

int TFields::IndexOf(const QString& name) const {
    // Letter case is folded unit by unit, so only names of the same length can match; the length
    // test spares the comparison for nearly every field of a wide table, row after row.
    for (size_t i = 0; i < items_.size(); ++i) {
        const QString& field = items_[i]->FieldName();
        if (field.size() == name.size() && field.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

TField* TFields::FindField(const QString& name) const {
    const int i = IndexOf(name.trimmed());
    return i < 0 ? nullptr : items_[static_cast<size_t>(i)].get();
}

TField* TFields::FieldByName(const QString& name) const {
    TField* f = FindField(name);
    if (!f) throw EDataSetError(QStringLiteral("Pole '%1' nebylo nalezeno.").arg(name));
    return f;
}

// --- TFieldDefs

TFieldDef& TFieldDefs::Add(const QString& name, TFieldType dataType, int size, bool required) {
    items_.push_back(TFieldDef{name, dataType, size, required, QString()});
    return items_.back();
}

int TFieldDefs::IndexOf(const QString& name) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].Name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}
