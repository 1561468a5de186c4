// The import definition text. Its line order is what other installations and older versions of
// the program read back, so the writer follows one fixed list of keys and never sorts or skips.
#include "import/ImportDefinition.h"

#include <QRegularExpression>

#include "platform/text/FormatSettings.h"
#include "platform/text/NumberFormat.h"

namespace {

const char* const kSourceCodes[kImportSourceKindCount] = {"MDB", "XLS", "DBF", "CSV"};
const char* const kSourceCaptions[kImportSourceKindCount] = {
    "Soubor Access (*.mdb)", "Sešit MS Excel (*.xls)", "Soubor dBase (*.dbf)", "Textový soubor (*.csv)"};

const char* const kItemStems[kItemFieldCount] = {"Popis",    "Katalog", "BarCode", "PLU",
                                                 "Poznamka", "Zkratka", "TextMJ",  "SazbaDPH",
                                                 "Obrazek",  "NakCena", "Hodnota", "ProdCena"};
const char* const kAddressStems[kAddressFieldCount] = {
    "NazevAdr",  "UliceAdr",   "PSCAdr", "MistoAdr", "StatAdr",     "ICOAdr", "DICAdr",
    "ZpravaAdr", "TelefonAdr", "FaxAdr", "EmailAdr", "InternetAdr", "EANAdr", "PoznamkaAdr"};

QString FlagText(bool value) { return value ? "-1" : "0"; }

// Appends key=value lines in the order they are added.
class TLineWriter {
public:
    void Add(const char* key, const QString& value) { lines_ << QString::fromLatin1(key) + "=" + value; }
    void Add(const QString& key, const QString& value) { lines_ << key + "=" + value; }
    void Flag(const char* key, bool value) { Add(key, FlagText(value)); }
    void Int(const char* key, int value) { Add(key, QString::number(value)); }
    QString Text() const { return lines_.join("\r\n"); }

private:
    QStringList lines_;
};

void WriteCommon(TLineWriter& w, const TImportDefinition& d) {
    w.Add("DBSource", SourceKindCode(d.Source));
    w.Add("DBFileName", d.FileName);
    w.Add("DBTableName", d.TableName);
    w.Flag("Porovnavat", d.Porovnavat);
    w.Add("RefField", d.RefField);
    w.Add("RefDBField", d.RefDBField);
    w.Flag("CheckNovaPolozka", d.CheckNovaPolozka);
}

QString FieldValueText(const TMappedField& f, bool numeric) {
    if (f.Source == TFieldSource::Column) return f.Column;
    return numeric ? DefinitionNumberText(f.Number) : f.Fixed;
}

void ReadField(const TDefinitionText& t, const QString& stem, bool numeric, TMappedField& f) {
    f.Check = t.Flag("Check" + stem);
    f.Source = t.Integer("Source" + stem) == 1 ? TFieldSource::Fixed : TFieldSource::Column;
    f.Column.clear();
    f.Fixed.clear();
    f.Number = 0;
    if (f.Source == TFieldSource::Column)
        f.Column = t.Text("Value" + stem);
    else if (numeric)
        f.Number = t.Number("Value" + stem);
    else
        f.Fixed = t.Text("Value" + stem);
}

}  // namespace

QString SourceKindCode(TImportSourceKind kind) { return QString::fromLatin1(kSourceCodes[int(kind)]); }

QString SourceKindCaption(TImportSourceKind kind) { return QString::fromUtf8(kSourceCaptions[int(kind)]); }

bool SourceKindOfCode(const QString& code, TImportSourceKind& kind) {
    for (int i = 0; i < kImportSourceKindCount; ++i) {
        if (code.compare(QLatin1String(kSourceCodes[i]), Qt::CaseInsensitive) == 0) {
            kind = TImportSourceKind(i);
            return true;
        }
    }
    return false;
}

QString ItemFieldStem(int field) { return QString::fromLatin1(kItemStems[field]); }

bool ItemFieldNumeric(int field) {
    return field == ifSazbaDPH || field == ifNakCena || field == ifHodnota || field == ifProdCena;
}

QString AddressFieldStem(int field) { return QString::fromLatin1(kAddressStems[field]); }

QStringList DefinitionLines(const QString& text) {
    // Stored texts end their lines with CR LF; text typed into the editor may carry bare LF.
    static const QRegularExpression kLineEnd("\r\n|\n|\r");
    return text.split(kLineEnd);
}

TDefinitionText::TDefinitionText(const QString& text) : lines_(DefinitionLines(text)) {}

bool TDefinitionText::Find(const QString& key, QString& value) const {
    for (const QString& line : lines_) {
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) continue;
        if (line.left(eq).compare(key, Qt::CaseInsensitive) != 0) continue;
        value = line.mid(eq + 1);
        return true;
    }
    return false;
}

QString TDefinitionText::Text(const QString& key) const {
    QString value;
    Find(key, value);
    return value;
}

bool TDefinitionText::Flag(const QString& key, bool missing) const {
    QString value;
    if (!Find(key, value)) return missing;
    const QString v = value.trimmed();
    if (v.compare("True", Qt::CaseInsensitive) == 0) return true;
    if (v.compare("False", Qt::CaseInsensitive) == 0) return false;
    long double n = 0;
    if (ReadDefinitionNumber(v, n)) return n != 0;
    return missing;
}

int TDefinitionText::Integer(const QString& key, int def) const {
    QString value;
    if (!Find(key, value)) return def;
    int n = 0;
    return TryStrToInt(value.trimmed(), n) ? n : def;
}

long double TDefinitionText::Number(const QString& key) const {
    const QString value = Text(key);
    long double n = 0;
    if (!ReadDefinitionNumber(value, n))
        throw EConvertError("'" + value + QString::fromUtf8("' není platné číslo"));
    return n;
}

QString DefinitionNumberText(long double value) {
    // Written with the program's own separators, which are fixed (Czech) whatever the machine says.
    return FloatToStr(value);
}

bool ReadDefinitionNumber(const QString& text, long double& value) {
    // Older texts and texts from other stations may use either decimal separator. The program's
    // own "," is tried first; a text that only reads with "." is taken as written that way.
    if (TryStrToFloat(text, value)) return true;
    TFormatSettings dot = FormatSettings;
    dot.DecimalSeparator = '.';
    dot.ThousandSeparator = ' ';
    return TryStrToFloat(text, value, dot);
}

void ParseImportDefinition(const QString& text, TImportType type, TImportDefinition& d) {
    const TDefinitionText t(text);
    TImportSourceKind kind;
    if (SourceKindOfCode(t.Text("DBSource"), kind)) d.Source = kind;
    d.FileName = t.Text("DBFileName");
    d.TableName = t.Text("DBTableName");
    d.RefField = t.Text("RefField").toUpper();
    d.RefDBField = t.Text("RefDBField");
    d.Porovnavat = t.Flag("Porovnavat");
    d.CheckNovaPolozka = t.Flag("CheckNovaPolozka");
    if (type == TImportType::Items) {
        d.IDListu = t.Integer("IDListu");
        d.IDSkup = t.Integer("IDSkup");
        d.CheckHledatPouzeV = t.Flag("CheckHledatPouzeV");
        d.IDListuHledatV = t.Integer("IDListuHLedatV");
        d.CheckHledatVeSkup = t.Flag("CheckHledatVeSkup");
        d.IDSkupHledatV = t.Integer("IDSkupHledatV");
        for (int f = 0; f < kItemFieldCount; ++f)
            ReadField(t, ItemFieldStem(f), ItemFieldNumeric(f), d.Items[f]);
        d.TypHodnota = t.Integer("TypHodnota");
        d.ProdCenaTypCeny = t.Integer("ProdCenaTypCeny");
        d.CheckNastavNaNove = t.Flag("CheckNastavNaNove");
        d.CheckCenSkup = t.Flag("CheckCenSkup");
        d.CenSkupina = t.Text("CenSkupina");
        d.CheckIdentif = t.Flag("CheckIdentif");
        d.Identif = t.Text("Identif");
        d.CheckZaokrouhleni = t.Flag("CheckZaokrouhleni");
        d.ValueZaokrouhleni = t.Integer("ValueZaokrouhleni");
        d.CheckTypCeny = t.Flag("CheckTypCeny");
        d.ValueTypCeny = t.Integer("ValueTypCeny");
        d.CheckPrepocitat = t.Flag("CheckPrepocitat");
        d.ValuePrepocitat = t.Integer("ValuePrepocitat");
        d.ValuePrepocPodle = t.Integer("ValuePrepocPodle");
    } else if (type == TImportType::Addresses) {
        for (int f = 0; f < kAddressFieldCount; ++f) ReadField(t, AddressFieldStem(f), false, d.Addresses[f]);
        d.CheckNastavNaNoveAdr = t.Flag("CheckNastavNaNoveAdr");
        d.CheckCenHladAdr = t.Flag("CheckCenHladAdr");
        d.CenHladAdr = t.Text("CenHladAdr");
    }
}

QString WriteImportDefinition(const TImportDefinition& d, TImportType type) {
    TLineWriter w;
    WriteCommon(w, d);
    if (type == TImportType::Items) {
        w.Int("IDListu", d.IDListu);
        w.Int("IDSkup", d.IDSkup);
        w.Flag("CheckHledatPouzeV", d.CheckHledatPouzeV);
        w.Int("IDListuHLedatV", d.IDListuHledatV);
        w.Flag("CheckHledatVeSkup", d.CheckHledatVeSkup);
        w.Int("IDSkupHledatV", d.IDSkupHledatV);
        for (int f = 0; f < kItemFieldCount; ++f) {
            const QString stem = ItemFieldStem(f);
            const TMappedField& m = d.Items[f];
            w.Add("Check" + stem, FlagText(m.Check));
            if (f == ifHodnota) w.Int("TypHodnota", d.TypHodnota);
            if (f == ifProdCena) w.Int("ProdCenaTypCeny", d.ProdCenaTypCeny);
            w.Add("Source" + stem, QString::number(int(m.Source)));
            w.Add("Value" + stem, FieldValueText(m, ItemFieldNumeric(f)));
        }
        w.Flag("CheckNastavNaNove", d.CheckNastavNaNove);
        w.Flag("CheckCenSkup", d.CheckCenSkup);
        w.Add("CenSkupina", d.CenSkupina);
        w.Flag("CheckIdentif", d.CheckIdentif);
        w.Add("Identif", d.Identif);
        w.Flag("CheckZaokrouhleni", d.CheckZaokrouhleni);
        w.Int("ValueZaokrouhleni", d.ValueZaokrouhleni);
        w.Flag("CheckTypCeny", d.CheckTypCeny);
        w.Int("ValueTypCeny", d.ValueTypCeny);
        w.Flag("CheckPrepocitat", d.CheckPrepocitat);
        w.Int("ValuePrepocitat", d.ValuePrepocitat);
        w.Int("ValuePrepocPodle", d.ValuePrepocPodle);
    } else {
        for (int f = 0; f < kAddressFieldCount; ++f) {
            const QString stem = AddressFieldStem(f);
            const TMappedField& m = d.Addresses[f];
            w.Add("Check" + stem, FlagText(m.Check));
            w.Add("Source" + stem, QString::number(int(m.Source)));
            w.Add("Value" + stem, FieldValueText(m, false));
        }
        w.Flag("CheckNastavNaNoveAdr", d.CheckNastavNaNoveAdr);
        w.Flag("CheckCenHladAdr", d.CheckCenHladAdr);
        w.Add("CenHladAdr", d.CenHladAdr);
    }
    return w.Text();
}
