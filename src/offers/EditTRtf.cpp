#include "offers/EditTRtf.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/CommonUtils.h"
#include "core/PurchasePrices.h"
#include "platform/ui/FontDialog.h"
#include "platform/ui/RichText.h"

namespace {

constexpr const char* kCaption = "Editor";

}  // namespace

TRichTextTools AddRichTextTools(QWidget* window, QBoxLayout* layout, QTextEdit* edit) {
    auto* bar = new QToolBar(window);
    bar->setObjectName("tbText");
    auto add = [&](const char* name, const char* caption, const char* key) {
        QAction* action = bar->addAction(QString::fromUtf8(caption));
        action->setObjectName(name);
        if (key) action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::WindowShortcut);
        return action;
    };
    TRichTextTools tools;
    tools.acTucne = add("acTucne", "Tučné", "Ctrl+B");
    tools.acKurziva = add("acKurziva", "Kurzíva", "Ctrl+I");
    tools.acPodtrzeni = add("acPodtrzeni", "Podtržení", "Ctrl+U");
    tools.acPismo = add("acPismo", "Písmo", nullptr);
    QObject::connect(tools.acTucne, &QAction::triggered, edit, [edit] {
        edit->setFontWeight(edit->fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
    });
    QObject::connect(tools.acKurziva, &QAction::triggered, edit,
                     [edit] { edit->setFontItalic(!edit->fontItalic()); });
    QObject::connect(tools.acPodtrzeni, &QAction::triggered, edit,
                     [edit] { edit->setFontUnderline(!edit->fontUnderline()); });
    QObject::connect(tools.acPismo, &QAction::triggered, edit,
                     [edit, window] { ApplyFontDialog(edit, window); });
    layout->addWidget(bar);
    return tools;
}

TfrmEditTRtf::TfrmEditTRtf(QWidget* parent) : TVnDialog(parent) {
    setObjectName("frmEditTRtf");
    setWindowTitle(QString::fromUtf8(kCaption));
    auto* top = new QHBoxLayout;
    AddOkStornoButtons(this, top, btnOK, btnStorno, false);
    top->addStretch();
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    reText = new QTextEdit(this);
    reText->setObjectName("reText");
    reText->setAcceptRichText(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    tools = AddRichTextTools(this, layout, reText);
    layout->addWidget(reText, 1);
    AddPurchasePriceAction(this);
    resize(560, 380);
}

bool EditRichText(QString& text) {
    TfrmEditTRtf editor(ApplicationMainWindow());
    LoadRichText(text, editor.reText);
    if (editor.exec() != QDialog::Accepted) return false;
    text = QString::fromLatin1(DocumentToRtf(*editor.reText->document()));
    return true;
}
