#pragma once

#include "app/requesthistory.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;
class QTextDocument;

// A request's versions, read-only: who saved, verified or cancelled it and when, and what changed
// from the version before. The list has the focus; the arrows move through it, Escape closes,
// Print shows the history in a print preview, and Export writes it to a spreadsheet's file.
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
    QPushButton *cmdExport = nullptr;
    QPushButton *cmdClose = nullptr;

    // Export writes the rows with their headers where this says (the request window's export to
    // a spreadsheet); without it the button is not shown.
    void setExporter(
        std::function<void(const QStringList &headers, const QList<QStringList> &rows)> exporter);

private:
    QString m_number;
    QList<QStringList> m_rows;
    std::function<void(const QStringList &, const QList<QStringList> &)> m_exporter;
};
