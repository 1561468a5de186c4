#pragma once

#include <QString>
#include <QStringList>

#include "platform/ui/VnDialog.h"

class QAction;
class QPushButton;
class QTextEdit;

// The shared information window into which bulk operations and checks write their list of
// problems. It is made once at start-up and reused: a caller clears the memo, adds a heading and one
// line per problem, and shows the window modally when there was at least one problem.
class TfrmInformace : public TVnDialog {
    Q_OBJECT
public:
    explicit TfrmInformace(QWidget* parent = nullptr);
    ~TfrmInformace() override;

    // The window made at start-up, or nullptr before it exists or after it is gone.
    static TfrmInformace* Instance();

    // Starts a new list; callers clear through here rather than on the memo itself.
    void Clear();
    // Lines are added as plain text, so a code or a name that looks like markup is shown as typed.
    void AddLine(const QString& line);
    QStringList Lines() const;

    // Shows the window modally from the first line of the list, whatever the last showing scrolled to.
    int ShowModal();

    QTextEdit* reInformace = nullptr;
    QAction* acbtnStorno = nullptr;
    QPushButton* btnOK = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool hasLines_ = false;
};
