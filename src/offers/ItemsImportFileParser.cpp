// Reading key lists for the offer card: workbooks, dBase tables and the clipboard.

#include "offers/ItemsImportFileParser.h"

#include <shapefil.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "XLSAdapter/USheetImport.h"
#include "XLSAdapter/XLSAdapter.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"
#include "platform/data/Field.h"
#include "platform/text/Cp1250.h"
#include "platform/text/NumberFormat.h"
#include "platform/ui/Dialogs.h"

namespace {

// The per-user settings of the choices.
enum : int {
    usSourceKind = 45,
    usKeyKind = 46,
    usFileName = 47,
    usFirstRowIsHeader = 48,
    usKeyColumn = 49,
    usQuantityColumn = 50,
    usUseDefaultQuantity = 51,
};

const char* const kKeyFields[] = {"Katalog", "BarCode", "PLU", "Zkratka", "Popis"};
const char* const kKeyCaptions[] = {"Katalog", "Čárový kód", "PLU", "Zkratka", "Popis"};
constexpr int kMaxColumn = 99;

QString Stored(int number) {
    QString value;
    UserSetting(kLoad, number, QString(), value);
    return value;
}
void Save(int number, const QString& value) {
    QString ignored;
    UserSetting(kSave, number, value, ignored);
}

// A cell as the text a user would see in it: numbers in the station's format.
QString CellText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QString();
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Int ||
        value.typeId() == QMetaType::LongLong)
        return FloatToStr(value.toDouble());
    return value.toString();
}

// The text decoding of a dBase table: the code page its language byte (or code-page file) names,
// windows-1250 when it names none, as the tables of Czech programs mostly are.
class TDbfText {
public:
    explicit TDbfText(DBFHandle dbf) {
        const char* page = DBFGetCodePage(dbf);
        const QString name = page ? QString::fromLatin1(page).trimmed() : QString();
        QString codec;
        if (name.startsWith("LDID/")) {
            switch (name.mid(5).toInt()) {
                case 0x01:
                    codec = "IBM437";
                    break;
                case 0x02:
                    codec = "IBM850";
                    break;
                case 0x03:
                case 0x57:
                    codec = "windows-1252";
                    break;
                case 0x64:
                    codec = "IBM852";
                    break;
                case 0x65:
                    codec = "IBM866";
                    break;
                case 0xC9:
                    codec = "windows-1251";
                    break;
                default:
                    break;
            }
        } else if (!name.isEmpty()) {
            bool number = false;
            name.toInt(&number);
            codec = number ? "windows-" + name : name;
        }
        if (!codec.isEmpty()) decoder_ = std::make_unique<QStringDecoder>(codec.toLatin1().constData());
        if (decoder_ && !decoder_->isValid()) decoder_.reset();
    }
    QString operator()(const char* raw) const {
        const QByteArray bytes(raw ? raw : "");
        if (!decoder_) return DecodeCp1250(bytes);
        return decoder_->decode(bytes);
    }

private:
    std::unique_ptr<QStringDecoder> decoder_;
};

// The dBase file, closed on every way out.
class TDbfFile {
public:
    explicit TDbfFile(const QString& path) : handle_(DBFOpen(QFile::encodeName(path).constData(), "rb")) {}
    ~TDbfFile() {
        if (handle_) DBFClose(handle_);
    }
    TDbfFile(const TDbfFile&) = delete;
    TDbfFile& operator=(const TDbfFile&) = delete;
    DBFHandle Handle() const { return handle_; }

private:
    DBFHandle handle_;
};

}  // namespace

std::function<QString()> TItemsImportFileParser::ClipboardText = [] {
    return QApplication::clipboard()->text();
};

bool IsIntegerText(const QString& text) {
    int value = 0;
    return TryStrToInt(text, value);
}

bool IsCurrencyText(const QString& text) {
    Currency value;
    return TryStrToCurr(text, value);
}

void SplitBySeparator(QStringList& list, const QString& text, const QString& separator) {
    list.clear();
    if (text.isEmpty()) return;
    list = (text + separator).split(separator);
    // The separator appended above ends the last piece; what follows it is no piece.
    list.removeLast();
}

TItemsImportFileParser::TItemsImportFileParser()
    : adapter_(std::make_unique<TXLSAdapter>()), workbook_(std::make_unique<TSheetImport>()) {
    workbook_->SetAdapter(adapter_.get());
    TFieldDefs& d = Pairs.FieldDefs();
    d.Add("KeyValue", ftString, 255);
    d.Add("PocetMJValue", ftCurrency);
    Pairs.CreateTable();
}

TItemsImportFileParser::~TItemsImportFileParser() = default;

QString TItemsImportFileParser::KeyFieldName() const {
    return QString::fromLatin1(kKeyFields[std::clamp(KeyKind, 0, 4)]);
}

void TItemsImportFileParser::LoadSettings() {
    bool ok = false;
    const int source = Stored(usSourceKind).toInt(&ok);
    SourceKind = static_cast<TKeySource>(ok && source >= 0 && source <= 2 ? source : 0);
    const int key = Stored(usKeyKind).toInt(&ok);
    KeyKind = ok && key >= 0 && key <= 4 ? key : 0;
    FileName = Stored(usFileName);
    if (!TryStrToBool(Stored(usFirstRowIsHeader), FirstRowIsHeader)) FirstRowIsHeader = true;
    KeyColumn = Stored(usKeyColumn);
    QuantityColumn = Stored(usQuantityColumn);
    if (!TryStrToBool(Stored(usUseDefaultQuantity), UseDefaultQuantity)) UseDefaultQuantity = true;
}

void TItemsImportFileParser::SaveSettings() const {
    Save(usSourceKind, QString::number(static_cast<int>(SourceKind)));
    Save(usKeyKind, QString::number(KeyKind));
    Save(usFileName, FileName);
    Save(usFirstRowIsHeader, BoolToStoredText(FirstRowIsHeader));
    Save(usKeyColumn, KeyColumn);
    Save(usQuantityColumn, QuantityColumn);
    Save(usUseDefaultQuantity, BoolToStoredText(UseDefaultQuantity));
}

bool TItemsImportFileParser::Execute() {
    TfrmItemsImportFileParser window(*this);
    return window.exec() == QDialog::Accepted;
}

void TItemsImportFileParser::AppendPair(const QString& key, Currency quantity) {
    Pairs.Append();
    Pairs.FieldByName("KeyValue")->SetAsString(key);
    Pairs.FieldByName("PocetMJValue")->SetAsFloat(quantity.ToDouble());
    Pairs.Post();
}

bool TItemsImportFileParser::Load() {
    Pairs.Close();
    Pairs.Open();
    bool done = false;
    switch (SourceKind) {
        case TKeySource::Workbook:
            try {
                workbook_->OpenWorkbook(FileName);
            } catch (const std::exception&) {
                ShowError(QString::fromUtf8(kImportCannotOpen).arg(FileName));
                return false;
            }
            done = ReadWorkbook();
            workbook_->CloseWorkbook();
            break;
        case TKeySource::DBase:
            done = ReadDBase();
            break;
        case TKeySource::Clipboard:
            Lines = ClipboardText().split(QRegularExpression("\r\n|\n|\r"));
            // A text that ends with a line break has no line after it.
            if (!Lines.isEmpty() && Lines.last().isEmpty()) Lines.removeLast();
            done = ReadClipboard();
            Lines.clear();
            break;
    }
    return done;
}

bool TItemsImportFileParser::ReadWorkbook() {
    const int first = FirstRowIsHeader ? 2 : 1;
    if (workbook_->GetLastRow() < first) {
        ShowError(QString::fromUtf8(kImportNoData));
        return false;
    }
    const int keyColumn = KeyColumn.toInt();
    const int quantityColumn = QuantityColumn.toInt();
    for (int row = first; row <= workbook_->GetLastRow(); ++row) {
        const QString quantity = UseDefaultQuantity ? CurrToStr(DefaultQuantity)
                                                    : CellText(workbook_->GetCellValue(row, quantityColumn));
        Currency value;
        if (!TryStrToCurr(quantity, value)) {
            ShowError(QString::fromUtf8(kImportBadQuantity).arg(row).arg(quantity));
            return false;
        }
        AppendPair(CellText(workbook_->GetCellValue(row, keyColumn)), value);
    }
    return true;
}

bool TItemsImportFileParser::ReadDBase() {
    TDbfFile table(FileName);
    if (!table.Handle()) {
        ShowError(QString::fromUtf8(kImportCannotOpen).arg(FileName));
        return false;
    }
    DBFHandle dbf = table.Handle();
    const int records = DBFGetRecordCount(dbf);
    if (records <= 0) {
        ShowError(QString::fromUtf8(kImportNoData));
        return false;
    }
    auto field = [&](const QString& name) { return DBFGetFieldIndex(dbf, EncodeCp1250(name).constData()); };
    const int keyField = field(KeyColumn);
    if (keyField < 0) {
        ShowError(QString::fromUtf8(kImportFieldMissing).arg(KeyColumn));
        return false;
    }
    const int quantityField = UseDefaultQuantity ? -1 : field(QuantityColumn);
    if (!UseDefaultQuantity && quantityField < 0) {
        ShowError(QString::fromUtf8(kImportFieldMissing).arg(QuantityColumn));
        return false;
    }
    const TDbfText decode(dbf);
    auto text = [&](int record, int index) {
        return decode(DBFReadStringAttribute(dbf, record, index)).trimmed();
    };
    for (int record = 0; record < records; ++record) {
        Currency quantity = DefaultQuantity;
        if (!UseDefaultQuantity) {
            const QString value = text(record, quantityField);
            long double number = 0;
            // Numeric fields hold "." whatever the station writes.
            bool read = false;
            number = value.toDouble(&read);
            if (!read) read = TryStrToFloat(value, number);
            if (!read) {
                ShowError(QString::fromUtf8(kImportBadQuantity).arg(record + 1).arg(value));
                return false;
            }
            quantity = Currency::FromExtended(number);
        }
        AppendPair(decode(DBFReadStringAttribute(dbf, record, keyField)), quantity);
    }
    return true;
}

bool TItemsImportFileParser::ReadClipboard() {
    const int skip = FirstRowIsHeader ? 1 : 0;
    if (Lines.size() < skip + 1) {
        ShowError(QString::fromUtf8(kImportClipboardNoData));
        return false;
    }
    const int keyColumn = KeyColumn.toInt();
    const int quantityColumn = QuantityColumn.toInt();
    QStringList pieces;
    auto piece = [&](int column) {
        return column >= 1 && column <= pieces.size() ? pieces[column - 1] : QString();
    };
    for (int line = skip; line < Lines.size(); ++line) {
        SplitBySeparator(pieces, Lines[line], "\t");
        const QString quantity = UseDefaultQuantity ? CurrToStr(DefaultQuantity) : piece(quantityColumn);
        Currency value;
        if (!TryStrToCurr(quantity, value)) {
            ShowError(QString::fromUtf8(kImportClipboardBadQuantity).arg(line + 1).arg(quantity));
            return false;
        }
        AppendPair(piece(keyColumn), value);
    }
    return true;
}

// ---- the dialog
// ---------------------------------------------------------------------------------------

TfrmItemsImportFileParser::TfrmItemsImportFileParser(TItemsImportFileParser& parser, QWidget* parent)
    : TVnDialog(parent), parser_(parser) {
    setObjectName("frmItemsImportFileParser");
    setWindowTitle(QString::fromUtf8(kKeyListImportCaption));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    cbxZdroj = new QComboBox(this);
    cbxZdroj->setObjectName("cbxZdroj");
    cbxZdroj->addItems({QString::fromUtf8("Sešit MS Excel (*.xls)"),
                        QString::fromUtf8("Soubor dBase (*.dbf)"), QString::fromUtf8("Schránka Windows")});
    form->addRow(QString::fromUtf8("Zdroj dat"), cbxZdroj);
    lblSoubor = new QLabel(QString::fromUtf8("Název zdrojového souboru"), this);
    edtSoubor = new QLineEdit(this);
    edtSoubor->setObjectName("edtSoubor");
    btnSoubor = new QPushButton("...", this);
    btnSoubor->setObjectName("btnSoubor");
    btnSoubor->setAutoDefault(false);
    auto* file = new QHBoxLayout;
    file->addWidget(edtSoubor);
    file->addWidget(btnSoubor);
    form->addRow(lblSoubor, file);
    chckNadpisy = new QCheckBox(QString::fromUtf8("první řádek obsahuje nadpisy sloupců"), this);
    chckNadpisy->setObjectName("chckNadpisy");
    form->addRow(QString(), chckNadpisy);
    cbxKlic = new QComboBox(this);
    cbxKlic->setObjectName("cbxKlic");
    for (const char* caption : kKeyCaptions) cbxKlic->addItem(QString::fromUtf8(caption));
    form->addRow(QString::fromUtf8("Klíč pro vyhledání položek v ceníku"), cbxKlic);
    layout->addLayout(form);
    auto* columns = new QFormLayout;
    lblKlicSloupec = new QLabel(this);
    cbxKlicSloupec = new QComboBox(this);
    cbxKlicSloupec->setObjectName("cbxKlicSloupec");
    lblPocetSloupec = new QLabel(QString::fromUtf8("Počet mj"), this);
    cbxPocetSloupec = new QComboBox(this);
    cbxPocetSloupec->setObjectName("cbxPocetSloupec");
    for (QComboBox* box : {cbxKlicSloupec, cbxPocetSloupec}) box->setEditable(true);
    columns->addRow(new QLabel(QString::fromUtf8("Sloupec ve zdroji dat"), this));
    columns->addRow(lblKlicSloupec, cbxKlicSloupec);
    columns->addRow(lblPocetSloupec, cbxPocetSloupec);
    layout->addLayout(columns);
    chckVychoziPocet = new QCheckBox(QString::fromUtf8("na přidané položky dosadit Počet m.j. = 1"), this);
    chckVychoziPocet->setObjectName("chckVychoziPocet");
    layout->addWidget(chckVychoziPocet);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    AddOkStornoButtons(this, buttons, btnOK, btnStorno, true);
    layout->addLayout(buttons);

    connect(cbxZdroj, &QComboBox::currentIndexChanged, this, [this] {
        FillColumnLists();
        UpdateSourceControls();
    });
    connect(cbxKlic, &QComboBox::currentIndexChanged, this, [this] {
        FillColumnLists();
        UpdateSourceControls();
    });
    connect(chckVychoziPocet, &QCheckBox::toggled, this, [this] { UpdateSourceControls(); });
    connect(btnSoubor, &QPushButton::clicked, this, [this] {
        const bool dbase = cbxZdroj->currentIndex() == static_cast<int>(TKeySource::DBase);
        const QString filter = dbase ? QString::fromUtf8("Soubory dBase (*.dbf);;Všechny soubory (*.*)")
                                     : QString::fromUtf8("Sešity MS Excel (*.xls);;Všechny soubory (*.*)");
        const QString chosen = QFileDialog::getOpenFileName(
            this, QString::fromUtf8("Vyberte zdrojový soubor"), edtSoubor->text(), filter);
        if (!chosen.isEmpty()) edtSoubor->setText(chosen);
        FillColumnLists();
    });
    connect(btnOK, &QPushButton::clicked, this, &TfrmItemsImportFileParser::btnOKClick);
    AddPurchasePriceAction(this);
}

void TfrmItemsImportFileParser::FillColumnLists() {
    const bool numbered = cbxZdroj->currentIndex() != static_cast<int>(TKeySource::DBase);
    for (QComboBox* box : {cbxKlicSloupec, cbxPocetSloupec}) {
        const QString text = box->currentText();
        box->clear();
        if (numbered)
            for (int i = 1; i <= kMaxColumn; ++i) box->addItem(QString::number(i));
        box->setEditText(text);
    }
}

void TfrmItemsImportFileParser::UpdateSourceControls() {
    const auto source = static_cast<TKeySource>(cbxZdroj->currentIndex());
    const bool file = source != TKeySource::Clipboard;
    lblSoubor->setVisible(file);
    edtSoubor->setVisible(file);
    btnSoubor->setVisible(file);
    chckNadpisy->setVisible(source != TKeySource::DBase);
    lblPocetSloupec->setVisible(!chckVychoziPocet->isChecked());
    cbxPocetSloupec->setVisible(!chckVychoziPocet->isChecked());
    lblKlicSloupec->setText(cbxKlic->currentText());
}

void TfrmItemsImportFileParser::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    cbxZdroj->setCurrentIndex(static_cast<int>(parser_.SourceKind));
    edtSoubor->setText(parser_.FileName);
    chckNadpisy->setChecked(parser_.FirstRowIsHeader);
    cbxKlic->setCurrentIndex(parser_.KeyKind);
    FillColumnLists();
    cbxKlicSloupec->setEditText(parser_.KeyColumn);
    cbxPocetSloupec->setEditText(parser_.QuantityColumn);
    chckVychoziPocet->setChecked(parser_.UseDefaultQuantity);
    UpdateSourceControls();
    edtSoubor->setFocus();
}

void TfrmItemsImportFileParser::btnOKClick() {
    const auto source = static_cast<TKeySource>(cbxZdroj->currentIndex());
    const QString file = edtSoubor->text().trimmed();
    if (source != TKeySource::Clipboard) {
        if (file.isEmpty()) {
            ShowError(QString::fromUtf8(kImportFileMissing));
            return;
        }
        if (!QFile::exists(file)) {
            ShowError(QString::fromUtf8(kImportFileNotFound).arg(file));
            return;
        }
    }
    const bool defaultQuantity = chckVychoziPocet->isChecked();
    const QString key = cbxKlicSloupec->currentText().trimmed();
    const QString quantity = cbxPocetSloupec->currentText().trimmed();
    if (key.isEmpty() || (!defaultQuantity && quantity.isEmpty())) {
        ShowError(QString::fromUtf8(kImportColumnsMissing));
        return;
    }
    if (source != TKeySource::DBase) {
        QStringList numbers{key};
        if (!defaultQuantity) numbers << quantity;
        for (const QString& column : numbers) {
            if (!IsIntegerText(column)) {
                ShowError(QString::fromUtf8(kImportColumnNotNumber));
                return;
            }
            if (column.toInt() <= 0) {
                ShowError(QString::fromUtf8(kImportColumnNotPositive));
                return;
            }
        }
    }
    parser_.SourceKind = source;
    parser_.FileName = file;
    parser_.FirstRowIsHeader = chckNadpisy->isChecked();
    parser_.KeyKind = cbxKlic->currentIndex();
    parser_.KeyColumn = key;
    parser_.QuantityColumn = quantity;
    parser_.UseDefaultQuantity = defaultQuantity;
    if (parser_.Load()) accept();
}
