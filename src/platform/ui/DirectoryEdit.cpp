#include "platform/ui/DirectoryEdit.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QStyle>

TDirectoryEdit::TDirectoryEdit(QWidget* parent) : QLineEdit(parent) {
    browseAction_ = addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
    browseAction_->setObjectName("acProchazet");
    connect(browseAction_, &QAction::triggered, this, [this] { Browse(); });
    ChooseFolder = [](QWidget* owner, const QString& title, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    };
}

bool TDirectoryEdit::Browse() {
    if (isReadOnly() || !isEnabled() || !ChooseFolder) return false;
    const QString current = text().trimmed();
    const QString start = !current.isEmpty() && QDir(current).exists() ? current : QDir::homePath();
    const QString chosen = ChooseFolder(this, dialogTitle_, start);
    if (chosen.isEmpty()) return false;
    setText(WithTrailingSlash(chosen));
    return true;
}

QString WithTrailingSlash(const QString& folder) {
    if (folder.isEmpty()) return folder;
    QString result = QDir::fromNativeSeparators(folder);
    if (!result.endsWith(QLatin1Char('/'))) result += QLatin1Char('/');
    return result;
}
