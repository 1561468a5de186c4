#include "pricelist/EditorIdentif.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "core/Main.h"
#include "platform/data/Field.h"
#include "platform/db/ADOQuery.h"
#include "platform/ui/Dialogs.h"
#include "pricelist/SezIdentif.h"
#include "widgets/VnDBGrids.h"

namespace {

const char* const kCaption = "Editor položek";
const char* const kHelpText =
    "Identifikátor je libovolný textový řetězec, kterým lze označit kartu a toto označení využít např. pro "
    "pozdější filtrování či rozpis záznamů. Karta může obsahovat i více identifikátorů - pokud chcete "
    "nějaký přidat, stiskněte \"Přidat\" a vyberte ho ze seznamu již existujících identifikátorů.";
const char* const kTooLong =
    "Maximální délka řetězce (včetně separátorů) může být 255. Vymažte některé položky ze seznamu.";
const char* const kAlreadyListed = "Zkratka \"%1\" již v seznamu existuje.";
const char* const kSeparator = "_";

TfrmEditorIdentif* g_instance = nullptr;

}  // namespace

QStringList ParseIdentifierList(const QString& list) {
    QStringList codes;
    QString rest = list;
    for (;;) {
        const qsizetype start = rest.indexOf('_');
        if (start < 0) break;
        rest = rest.mid(start + 1).left(kIdentifierListMaxLength);
        const qsizetype end = rest.indexOf('_');
        if (end < 0) break;
        const QString code = rest.left(end);
        codes << code.left(kIdentifierCodeMaxLength);
        rest = rest.mid(end);
        // Two separators in a row end the list: what follows them was never written by the editor.
        if (code.isEmpty()) break;
    }
    return codes;
}

QString BuildIdentifierList(const QStringList& codes) {
    if (codes.isEmpty()) return QString();
    QString list;
    for (const QString& code : codes) list += kSeparator + code;
    return list + kSeparator;
}

TfrmEditorIdentif::TfrmEditorIdentif(QWidget* parent) : TPriceListDialog(parent) {
    setObjectName("frmEditorIdentif");
    setWindowTitle(QString::fromUtf8(kCaption));
    if (!g_instance) g_instance = this;

    mtIdentif.FieldDefs().Add("Zkratka", ftString, kIdentifierCodeMaxLength);
    mtIdentif.CreateTable();

    grIdentif = MakeListGrid(this, "grIdentif", &dsIdentif, {{"Zkratka", "Zkratka"}});
    lblNapoveda = new QLabel(QString::fromUtf8(kHelpText), this);
    lblNapoveda->setObjectName("lblNapoveda");
    lblNapoveda->setWordWrap(true);

    auto* buttons = new QVBoxLayout;
    btnOK = AddButton(this, buttons, "btnOK", "OK", QKeySequence(), "(Enter)");
    btnStorno = AddButton(this, buttons, "btnStorno", "Storno", QKeySequence(), "(Esc)");
    buttons->addSpacing(12);
    btnPridat = AddButton(this, buttons, "btnPridat", QString::fromUtf8("Přidat"), QKeySequence("Alt+P"),
                          QString::fromUtf8("Přidat nový ze seznamu identifikátorů (Alt+P nebo F3)"));
    btnVyjmout = AddButton(this, buttons, "btnVyjmout", "Vyjmout", QKeySequence("Alt+V"),
                           QString::fromUtf8("Vyjmout položku z tohoto seznamu (Alt+V nebo Delete)"));
    buttons->addStretch();
    btnOK->setDefault(true);

    connect(btnOK, &QPushButton::clicked, this, [this] { AcceptIfEnabled(btnOK); });
    connect(btnStorno, &QPushButton::clicked, this, &TfrmEditorIdentif::reject);
    connect(btnPridat, &QPushButton::clicked, this, &TfrmEditorIdentif::btnPridatClick);
    connect(btnVyjmout, &QPushButton::clicked, this, &TfrmEditorIdentif::btnVyjmoutClick);
    // F3 is the second key of "Přidat".
    auto* addKey = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(addKey, &QShortcut::activated, btnPridat, [this] {
        if (btnPridat->isEnabled()) btnPridat->click();
    });
    grIdentif->OnKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Delete) {
            key = 0;
            if (btnVyjmout->isEnabled()) btnVyjmoutClick();
        } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            key = 0;
            AcceptIfEnabled(btnOK);
        }
    };

    auto* body = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(grIdentif, 1);
    left->addWidget(lblNapoveda);
    body->addLayout(left, 1);
    body->addLayout(buttons);
    setLayout(body);
    resize(420, 320);
}

TfrmEditorIdentif::~TfrmEditorIdentif() {
    // The grid goes before the table it shows.
    delete grIdentif;
    if (g_instance == this) g_instance = nullptr;
}

TfrmEditorIdentif* TfrmEditorIdentif::Instance() {
    // Parsing is also done where start-up has made no editor (a tool, a test); it then gets one of
    // its own that lives as long as the program.
    if (!g_instance) new TfrmEditorIdentif();
    return g_instance;
}

void TfrmEditorIdentif::Fill(const QStringList& codes) {
    mtIdentif.EmptyTable();
    for (const QString& code : codes) {
        mtIdentif.Append();
        mtIdentif.FieldByName("Zkratka")->SetAsString(code.left(kIdentifierCodeMaxLength));
        mtIdentif.Post();
    }
    mtIdentif.First();
}

QStringList TfrmEditorIdentif::Codes() {
    QStringList codes;
    mtIdentif.DisableControls();
    const int recNo = mtIdentif.IsEmpty() ? 0 : mtIdentif.RecNo();
    for (mtIdentif.First(); !mtIdentif.Eof(); mtIdentif.Next())
        codes << mtIdentif.FieldByName("Zkratka")->AsString();
    if (recNo > 0) mtIdentif.SetRecNo(recNo);
    mtIdentif.EnableControls();
    return codes;
}

void TfrmEditorIdentif::showEvent(QShowEvent* event) {
    TPriceListDialog::showEvent(event);
    UpdateButtons();
    grIdentif->setFocus();
}

void TfrmEditorIdentif::UpdateButtons() { btnVyjmout->setEnabled(!mtIdentif.IsEmpty()); }

void TfrmEditorIdentif::btnVyjmoutClick() {
    if (!mtIdentif.IsEmpty()) mtIdentif.Delete();
    UpdateButtons();
}

void TfrmEditorIdentif::btnPridatClick() {
    TADOQuery& catalogue = frmMain->adqAgendaFree1;
    if (ShowIdentifierCatalogue(TfrmSezIdentif::kModePick, false) == kResultOk && !catalogue.IsEmpty()) {
        const QString code = catalogue.FieldByName("Zkratka")->AsString();
        const bool listed = Codes().contains(code, Qt::CaseInsensitive);
        if (listed) {
            ShowInformation(QString::fromUtf8(kAlreadyListed).arg(code));
        } else {
            mtIdentif.Append();
            mtIdentif.FieldByName("Zkratka")->SetAsString(code.left(kIdentifierCodeMaxLength));
            mtIdentif.Post();
        }
    }
    catalogue.Close();
    UpdateButtons();
}

int EditIdentifierList(const QString& list, QString& newList, bool interactive) {
    TfrmEditorIdentif* editor = TfrmEditorIdentif::Instance();
    editor->Fill(list.isEmpty() ? QStringList() : ParseIdentifierList(list));
    for (;;) {
        newList.clear();
        editor->mtIdentif.First();
        if (!interactive) return -1;
        const int result = editor->exec();
        if (result != kResultOk) return result;
        const QString built = BuildIdentifierList(editor->Codes());
        if (built.size() <= kIdentifierListMaxLength) {
            newList = built;
            return kResultOk;
        }
        // Too long to store: the user removes codes, with the rows kept as they are.
        ShowWarning(QString::fromUtf8(kTooLong));
    }
}

int MergeIdentifierList(const QString& list, const QString& changes, int mode, QString& result) {
    result = list.toUpper();
    const QString changed = changes.toUpper();
    if (changed.isEmpty()) return -1;
    const auto merge = static_cast<TIdentifierMergeMode>(mode);
    if (merge != TIdentifierMergeMode::Add && merge != TIdentifierMergeMode::Remove) return -1;

    QString unused;
    EditIdentifierList(changed, unused, false);
    QStringList codes = TfrmEditorIdentif::Instance()->Codes();
    // An empty code (two separators in a row) is no code: adding it would break the list.
    codes.removeAll(QString());
    if (merge == TIdentifierMergeMode::Add) {
        if (result.isEmpty()) result = kSeparator;
        for (const QString& code : codes) {
            if (!result.contains(kSeparator + code + kSeparator)) result += code + kSeparator;
        }
    } else {
        for (const QString& code : codes)
            result.replace(kSeparator + code + kSeparator, kSeparator, Qt::CaseInsensitive);
        if (result == kSeparator) result.clear();
    }
    return 0;
}
