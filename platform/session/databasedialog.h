#pragma once

#include "platform/session/sessionsettings.h"

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class StatusLine;

// Which database the program works on, chosen from the sign-in dialog: an embedded file, a
// SQL Server or PostgreSQL server, or a whole ODBC connection string. Test Connection tries the
// form's settings and says how it went in the dialog; OK saves them where the program reads them.
class DatabaseDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString Title;
    // Opens the database the settings name and closes it again; throws AppError with the
    // server's own message when it cannot. What the open database lacks for the program (its
    // tables), in a sentence; nothing when it is ready.
    using Trial = std::function<std::optional<QString>(const SessionSettings &)>;

    DatabaseDialog(const SessionSettings &current, Trial trial, QWidget *parent = nullptr);

    // The settings as the form shows them (the sign-in's last employee kept).
    SessionSettings settings() const;
    // Tries the form's settings: "Connected", or why not, in the dialog's status line (the
    // server's own text behind its Details button). True when connected to a database that
    // holds the program's tables.
    bool testConnection();
    // Refuses a form with a field missing; otherwise saves the settings and closes.
    void accept() override;

    QComboBox *cboKind = nullptr;
    QStackedWidget *pages = nullptr;
    QLineEdit *txtFile = nullptr;
    QPushButton *cmdBrowse = nullptr;
    QLineEdit *txtServer = nullptr;
    QSpinBox *spnPort = nullptr;
    QLineEdit *txtName = nullptr;
    QLineEdit *txtUser = nullptr;
    QLineEdit *txtPassword = nullptr;
    QLineEdit *txtConnectionString = nullptr;
    QPushButton *cmdTest = nullptr;
    StatusLine *status = nullptr;

protected:
    void changeEvent(QEvent *event) override;

private:
    QWidget *buildFilePage();
    QWidget *buildServerPage();
    QWidget *buildOdbcPage();
    void showKind(int index);
    void browse();
    // The hint in an empty connection string field, as readable as its text.
    void keepPlaceholderReadable();
    // The first field the form still needs, with what to say; null when none is missing.
    QWidget *missingField(QString &what) const;

    SessionSettings m_current;
    Trial m_trial;
};
