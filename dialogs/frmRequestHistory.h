#pragma once

#include "app/requesthistory.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;
class QTextDocument;

// A request's versions, read-only: who saved, verified or cancelled it and when, and what changed
// from the version before. The list has the focus; the arrows move through it, Escape closes, and
// Print shows the history in a print preview.
class frmRequestHistory : public QDialog
{
    Q_OBJECT

public:
    frmRequestHistory(const QString &number, const QList<requesthistory::Version> &versions,
                      QWidget *parent = nullptr);

    // The rows as shown, with their headers: what an export writes.
    QStringList headers() const { return requesthistory::tableHeaders(); }
    const QList<QStringList> &rows() const { return m_rows; }

    // The history as printed: a title and a table of the rows.
    void fillDocument(QTextDocument &document) const;
    void cmdPrint_Click();

    QLabel *lblTitle = nullptr;
    QTableWidget *tblVersions = nullptr;
    QPushButton *cmdPrint = nullptr;
    QPushButton *cmdClose = nullptr;

private:
    QString m_number;
    QList<QStringList> m_rows;
};
