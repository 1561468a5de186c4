#include "core/Poznamky.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "core/Locks.h"
#include "core/Login.h"
#include "core/Main.h"
#include "core/PurchasePrices.h"
#include "core/UserSettings.h"
#include "platform/files/IniFile.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FontDialog.h"
#include "platform/ui/RichText.h"

std::function<int(TfrmKartaPozn& card)> ExecNoteCard = [](TfrmKartaPozn& card) { return card.exec(); };

bool ShowDoneNotes = false;

namespace {

const char* const kCaption = "Karta poznámky";
const char* const kProgramNoteReadOnly =
    "Tato poznámka obsahuje texty vztažené přímo k programu a nelze ji proto editovat. Tip: tlačítkem "
    "\"Přidat poznámku\" si můžete vytvořit svoji vlastní poznámku, kterou můžete libovolně upravovat.";
const char* const kNoteInUse =
    "Záznam je právě používán jiným uživatelem. Případné změny nebude možné uložit!";
const char* const kSaveFailed = "Při ukládání záznamu došlo k chybě: metoda \"Execute\" selhala.";
const char* const kDeleteInUse = "Záznam není možné smazat - je právě používán jiným uživatelem.";
const char* const kDeleteQuestion = "Vyjmutí poznámky je nevratná operace, opravdu chcete pokračovat?";
const char* const kDeleteTip =
    "\r\rTip: chcete-li pouze vypnout zobrazování této poznámky, klepněte na NE a zvolte [Opravit "
    "poznámku]. Na kartě následně aktivujte přepínač \"Vyřízeno\" a záznam uložte. Vyřízené poznámky můžete "
    "zobrazit kdykoliv později tlačítkem [Filtr].";
const char* const kIndexFile = "index.rpo";
const char* const kIndexSection = "RPO";
constexpr int kProgramNoteBase = -1000;
constexpr int kTitleLength = 50;

TMemTable& List() { return frmMain->mtPoznSeznam; }

TAccessLevel NoteRight() { return CurrentUser.Poznamky_AR; }

bool SameFirm(const QString& noteFirm) {
    // Firm names are file names typed on Windows, where letter case never told two firms apart.
    return noteFirm.isEmpty() ||
           QLocale(QLocale::Czech).toUpper(noteFirm) == QLocale(QLocale::Czech).toUpper(CurrentFirm);
}

QString LineName(const QString& line) {
    const qsizetype eq = line.indexOf('=');
    return eq < 0 ? QString() : line.left(eq);
}

QString LineValue(const QString& line) {
    const qsizetype eq = line.indexOf('=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

// The first line named so (names compared without regard to case); -1 without one.
qsizetype FindNamedLine(const QStringList& lines, const QString& name) {
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (LineName(lines[i]).compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void AppendNote(int id, const QString& title, const QString& detail, bool showOthers, int creator,
                bool allFirms, const QString& file, bool done) {
    TMemTable& list = List();
    list.Append();
    list.FieldByName("ID")->SetAsInteger(id);
    list.FieldByName("Nazev")->SetAsString(title);
    list.FieldByName("Detail")->SetAsString(detail);
    list.FieldByName("ZobrazOst")->SetAsBoolean(showOthers);
    list.FieldByName("VytvorID")->SetAsInteger(creator);
    list.FieldByName("Viditelna")->SetAsBoolean(allFirms);
    list.FieldByName("RPOSoubor")->SetAsString(file);
    list.FieldByName("Vyrizeno")->SetAsBoolean(done);
    list.Post();
}

QStringList ReadLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QString text = QString::fromUtf8(file.readAll());
    text.replace("\r\n", "\n");
    QStringList lines = text.split('\n');
    // The line end of the last line makes no line of its own.
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

void LoadProgramNotes() {
    const TIniFile index(DataFolder + kIndexFile);
    for (int n = 1;; ++n) {
        const QString file = index.ReadString(kIndexSection, "FILE" + QString::number(n), QString());
        if (file.isEmpty()) break;
        const QString path = DataFolder + file;
        if (!QFile::exists(path)) continue;
        const TProgramNote note = ReadProgramNote(ReadLines(path));
        if (!SameFirm(note.Firm)) continue;
        AppendNote(kProgramNoteBase - n, note.Title, note.Text, true, 0, true, file, false);
    }
}

void LoadDatabaseNotes() {
    TADOQuery& query = frmMain->adqGlobalFree1;
    query.Close();
    query.SetSQL("SELECT * FROM Poznamky");
    query.Open();
    const int user = CurrentUser.UzivID;
    for (query.First(); !query.Eof(); query.Next()) {
        const bool showOthers = query.FieldByName("ZobrazOst")->AsBoolean();
        const bool done = query.FieldByName("Vyrizeno")->AsBoolean();
        const QString firm = query.FieldByName("Firma")->AsString();
        if (!(showOthers || query.FieldByName("VytvorID")->AsInteger() == user)) continue;
        if (!SameFirm(firm)) continue;
        if (done && !ShowDoneNotes) continue;
        AppendNote(query.FieldByName("ID")->AsInteger(), query.FieldByName("Nazev")->AsString(),
                   query.FieldByName("Detail")->AsString(), showOthers,
                   query.FieldByName("VytvorID")->AsInteger(), firm.isEmpty(), QString(), done);
    }
    query.Close();
}

bool SaveNote(bool isNew) {
    TMemTable& list = List();
    const bool allFirms = list.FieldByName("Viditelna")->AsBoolean();
    TADOCommand& command = frmMain->adcGlobal1;
    const QString columns =
        "Nazev = :Nazev, Detail = :Detail, Firma = :Firma, ZobrazOst = :ZobrazOst, "
        "VytvorID = :VytvorID, Vyrizeno = :Vyrizeno";
    command.SetCommandText(
        isNew ? QString("INSERT INTO Poznamky (Nazev, Detail, Firma, ZobrazOst, VytvorID, "
                        "Vyrizeno) VALUES (:Nazev, :Detail, :Firma, :ZobrazOst, :VytvorID, "
                        ":Vyrizeno)")
              : "UPDATE Poznamky SET " + columns + " WHERE ID = " + list.FieldByName("ID")->AsString());
    TParameters& params = command.Parameters;
    params.ParamByName("Nazev")->Value = list.FieldByName("Nazev")->AsString();
    params.ParamByName("Detail")->Value = list.FieldByName("Detail")->AsString();
    params.ParamByName("Firma")->Value = allFirms ? QString() : QLocale(QLocale::Czech).toUpper(CurrentFirm);
    params.ParamByName("ZobrazOst")->Value = list.FieldByName("ZobrazOst")->AsBoolean();
    params.ParamByName("VytvorID")->Value = list.FieldByName("VytvorID")->AsInteger();
    params.ParamByName("Vyrizeno")->Value = list.FieldByName("Vyrizeno")->AsBoolean();
    if (command.Execute() == 0) {
        ShowError(QString::fromUtf8(kSaveFailed));
        return false;
    }
    if (isNew) {
        command.SetCommandText("SELECT @@IDENTITY");
        const auto rows = command.OpenRowset();
        list.Edit();
        list.FieldByName("ID")->SetValue(rows->Value(0, 0));
        list.Post();
    }
    return true;
}

}  // namespace

void CreateNoteListFields(TMemTable& table) {
    table.Close();
    TFieldDefs& defs = table.FieldDefs();
    defs.Clear();
    defs.Add("ID", ftInteger);
    defs.Add("Nazev", ftString, kTitleLength);
    defs.Add("Detail", ftMemo);
    defs.Add("ZobrazOst", ftBoolean);
    defs.Add("VytvorID", ftInteger);
    defs.Add("Viditelna", ftBoolean);
    defs.Add("RPOSoubor", ftString, 255);
    defs.Add("Vyrizeno", ftBoolean);
    table.CreateTable();
}

TProgramNote ReadProgramNote(QStringList lines) {
    TProgramNote note;
    for (int k = 1;; ++k) {
        const QString name = "#VAL" + QString::number(k);
        const qsizetype at = FindNamedLine(lines, name);
        if (k == 1) note.Title = at < 0 ? QString() : LineValue(lines[at]);
        if (k == 2) note.Firm = at < 0 ? QString() : LineValue(lines[at]);
        if (at < 0) break;
        lines.removeAt(at);
    }
    note.Text = lines.join("\r\n");
    return note;
}

int LoadDesktopNotes(int locateID) {
    TMemTable& list = List();
    list.Close();
    list.Open();
    if (NoteRight() == TAccessLevel::NoAccess) {
        frmMain->UpdateNoteText();
        return -1;
    }
    LoadProgramNotes();
    LoadDatabaseNotes();
    if (!list.IsEmpty()) {
        list.First();
        list.Locate("ID", locateID);
    }
    frmMain->UpdateNoteText();
    return 0;
}

int EditDesktopNote(bool isNew) {
    TMemTable& list = List();
    if (!isNew && (!list.Active() || list.IsEmpty())) return -1;
    if (!isNew && !list.FieldByName("RPOSoubor")->AsString().isEmpty()) {
        ShowInformation(QString::fromUtf8(kProgramNoteReadOnly));
        return -1;
    }
    const TAccessLevel right = NoteRight();
    bool readOnly = false;
    if ((isNew && right > TAccessLevel::NoDelete) || (!isNew && right == TAccessLevel::NoAccess)) {
        TUser::ShowNoRightsMessage();
        return -1;
    }
    if (!isNew && right == TAccessLevel::ReadOnly) {
        TUser::ShowReadOnlyMessage();
        readOnly = true;
    }

    TRecordLock lock;
    TfrmKartaPozn card(frmMain);
    card.edtNazev->setText(QString::fromUtf8(TfrmKartaPozn::kUntitled));
    if (!isNew) {
        switch (lock.Take(GlobalRecordLockPath("Poznamky", list.FieldByName("ID")->AsInteger()))) {
            case TRecordLock::Taken:
                break;
            case TRecordLock::InUse:
                ShowWarning(QString::fromUtf8(kNoteInUse));
                readOnly = true;
                break;
            case TRecordLock::Failed:
                return -1;
        }
        card.edtNazev->setText(list.FieldByName("Nazev")->AsString());
        LoadRichText(list.FieldByName("Detail")->AsString(), card.reText);
        card.chckZobrazOst->setChecked(list.FieldByName("ZobrazOst")->AsBoolean());
        card.chckViditelna->setChecked(list.FieldByName("Viditelna")->AsBoolean());
        card.chckVyrizeno->setChecked(list.FieldByName("Vyrizeno")->AsBoolean());
    }
    card.SetReadOnly(readOnly);

    if (ExecNoteCard(card) == QDialog::Accepted) {
        if (isNew) {
            list.Append();
            list.FieldByName("ID")->SetAsInteger(-1);
            list.FieldByName("VytvorID")->SetAsInteger(CurrentUser.UzivID);
        } else {
            list.Edit();
        }
        list.FieldByName("Nazev")->SetAsString(card.edtNazev->text().left(kTitleLength));
        list.FieldByName("Detail")->SetAsString(QString::fromLatin1(DocumentToRtf(*card.reText->document())));
        list.FieldByName("Viditelna")->SetAsBoolean(card.chckViditelna->isChecked());
        list.FieldByName("ZobrazOst")->SetAsBoolean(card.chckZobrazOst->isChecked());
        list.FieldByName("Vyrizeno")->SetAsBoolean(card.chckVyrizeno->isChecked());
        list.FieldByName("RPOSoubor")->SetAsString(QString());
        list.Post();
        if (SaveNote(isNew)) {
            if (list.FieldByName("Vyrizeno")->AsBoolean() && !ShowDoneNotes) list.Delete();
            frmMain->UpdateNoteText();
        }
    }
    lock.Release();
    frmMain->UpdateNoteButtons();
    return 0;
}

void DeleteDesktopNote() {
    TMemTable& list = List();
    if (!list.Active() || list.IsEmpty()) return;
    if (NoteRight() != TAccessLevel::Full) {
        TUser::ShowNoRightsMessage();
        return;
    }
    const int id = list.FieldByName("ID")->AsInteger();
    if (TestRecordLock(GlobalRecordLockPath("Poznamky", id))) {
        ShowWarning(QString::fromUtf8(kDeleteInUse));
        return;
    }
    const QString file = list.FieldByName("RPOSoubor")->AsString();
    QString question = QString::fromUtf8(kDeleteQuestion);
    if (file.isEmpty()) question += QString::fromUtf8(kDeleteTip);
    if (!AskQuestion(question)) return;
    if (!file.isEmpty()) {
        // Deleting the file hides the note at every station; its entry in the index is skipped from
        // then on.
        QFile::remove(DataFolder + file);
    } else {
        TADOCommand& command = frmMain->adcGlobal1;
        command.SetCommandText("DELETE FROM Poznamky WHERE ID = " + QString::number(id));
        command.Execute();
    }
    list.Delete();
    frmMain->UpdateNoteText();
    frmMain->UpdateNoteButtons();
}

void RefreshDesktopNotes() {
    TMemTable& list = List();
    if (list.Active() && !list.IsEmpty()) LastNoteID = list.FieldByName("ID")->AsInteger();
    LoadDesktopNotes(LastNoteID);
    frmMain->UpdateNoteButtons();
}

// --- the note card

TfrmKartaPozn::TfrmKartaPozn(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmKartaPozn");
    setWindowTitle(QString::fromUtf8(kCaption));
    resize(520, 420);

    auto* top = new QWidget(this);
    top->setObjectName("panTop");
    auto* topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(4, 4, 4, 4);
    AddOkStornoButtons(this, topLayout, btnOK, btnStorno, false);
    topLayout->addStretch();
    connect(btnOK, &QPushButton::clicked, this, [this] {
        if (btnOK->isEnabled()) accept();
    });

    auto* lblNazev = new QLabel("Nadpis poznámky", this);
    lblNazev->setObjectName("lblNazev");
    edtNazev = new QLineEdit(this);
    edtNazev->setObjectName("edtNazev");
    edtNazev->setMaxLength(kTitleLength);
    edtNazev->installEventFilter(this);
    chckZobrazOst = new QCheckBox("zobrazit i ostatním uživatelům", this);
    chckZobrazOst->setObjectName("chckZobrazOst");
    chckZobrazOst->setChecked(true);
    chckViditelna = new QCheckBox("viditelná ve všech firmách", this);
    chckViditelna->setObjectName("chckViditelna");
    chckViditelna->setChecked(true);

    auto* tools = new QToolBar(this);
    tools->setObjectName("tbText");
    acTucne = tools->addAction("Tučné");
    acTucne->setObjectName("acTucne");
    acTucne->setShortcut(QKeySequence("Ctrl+B"));
    acKurziva = tools->addAction("Kurzíva");
    acKurziva->setObjectName("acKurziva");
    acKurziva->setShortcut(QKeySequence("Ctrl+I"));
    acPodtrzeni = tools->addAction("Podtržení");
    acPodtrzeni->setObjectName("acPodtrzeni");
    acPodtrzeni->setShortcut(QKeySequence("Ctrl+U"));
    acPismo = tools->addAction("Písmo");
    acPismo->setObjectName("acPismo");

    reText = new QTextEdit(this);
    reText->setObjectName("reText");
    reText->setAcceptRichText(true);
    reText->installEventFilter(this);
    connect(acTucne, &QAction::triggered, this, [this] {
        reText->setFontWeight(reText->fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
    });
    connect(acKurziva, &QAction::triggered, this, [this] { reText->setFontItalic(!reText->fontItalic()); });
    connect(acPodtrzeni, &QAction::triggered, this,
            [this] { reText->setFontUnderline(!reText->fontUnderline()); });
    connect(acPismo, &QAction::triggered, this, &TfrmKartaPozn::acPismoExecute);

    chckVyrizeno = new QCheckBox("vyřízeno", this);
    chckVyrizeno->setObjectName("chckVyrizeno");
    connect(chckVyrizeno, &QCheckBox::toggled, this, &TfrmKartaPozn::UpdateTitleColours);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(top);
    layout->addWidget(lblNazev);
    layout->addWidget(edtNazev);
    layout->addWidget(chckZobrazOst);
    layout->addWidget(chckViditelna);
    layout->addWidget(tools);
    layout->addWidget(reText, 1);
    layout->addWidget(chckVyrizeno);

    // Ctrl+Q switches the purchase-price display from every window.
    AddPurchasePriceAction(this);
    UpdateFontAction();
}

void TfrmKartaPozn::SetReadOnly(bool readOnly) { btnOK->setEnabled(!readOnly); }

void TfrmKartaPozn::acPismoExecute() {
    if (!reText->hasFocus() && !acPismo->isEnabled()) return;
    ApplyFontDialog(reText, this);
}

void TfrmKartaPozn::UpdateTitleColours() {
    QPalette palette = edtNazev->style() ? QPalette() : edtNazev->palette();
    if (chckVyrizeno->isChecked()) {
        const QColor green(0, 128, 0);
        palette.setColor(QPalette::Base, green);
        palette.setColor(QPalette::Text, Qt::white);
    }
    edtNazev->setPalette(palette);
}

void TfrmKartaPozn::UpdateFontAction() { acPismo->setEnabled(reText->hasFocus()); }

void TfrmKartaPozn::showEvent(QShowEvent* event) {
    TVnDialog::showEvent(event);
    UpdateTitleColours();
    reText->setFocus();
}

bool TfrmKartaPozn::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtNazev && event->type() == QEvent::FocusIn && !titleCleared_) {
        // The placeholder title goes the first time the user comes to the field.
        titleCleared_ = true;
        if (edtNazev->text() == QString::fromUtf8(kUntitled)) edtNazev->clear();
    }
    if (watched == reText && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        UpdateFontAction();
    return TVnDialog::eventFilter(watched, event);
}
