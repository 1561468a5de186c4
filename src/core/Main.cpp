#include "core/Main.h"

#include "core/CommonUtils.h"
#include "core/DataFolder.h"
#include "widgets/HelpRouter.h"

TfrmMain* frmMain = nullptr;

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    Q_ASSERT(frmMain == nullptr);
    frmMain = this;
    setObjectName("frmMain");
    adcGlobal1.Connection = &ADOConGlobal;
    adcAgenda1.Connection = &ADOConAgenda;
    adcAgenda2.Connection = &ADOConAgenda;
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    resize(800, 560);

    HelpRouter1 = new THelpRouter(this);
    HelpRouter1->setObjectName("HelpRouter1");
    HelpRouter1->HelpType = htHTMLhelp;
    // The program folder is known only once start-up has run, so the file is found at each request.
    SetHelpTopicHandler([this](const QString& page) {
        HelpRouter1->ShowHelpTopic(ProgramFolder + QString::fromLatin1(kApplicationHelpFile), page);
    });
}

TfrmMain::~TfrmMain() {
    SetHelpTopicHandler(nullptr);
    frmMain = nullptr;
}
