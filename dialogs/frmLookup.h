#pragma once

#include "objects/lookups.h"
#include "platform/db/recordset.h"

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace ui {
class FlexGrid;
}
namespace dialogs {
template <class Dialog> class SharedDialog;
}

// Finds the code of a supplier, a payment term or a unit of measure by the start of its name or by
// its code. The search runs as soon as the dialog loads, so a caller learns without showing it
// whether the text names exactly one record; the chosen code goes to modInventory::PubLookupCode.
//
// Controls: txtSearch, cmdSearch, grdLookup, and the buttons "cmdOptions(0)" (Cancel) and
// "cmdOptions(1)" (Select).
class frmLookup : public QDialog
{
    Q_OBJECT

public:
    // The kinds of record, the values of LookupType.
    enum : qint16 {
        Supplier = lookups::Supplier,
        Terms = lookups::Terms,
        UnitOfMeasure = lookups::UnitOfMeasure
    };

    // The one shared dialog, created on first use; unload() destroys it (and its result).
    static frmLookup &instance();
    static void unload();

    // The data classes' search: loads the shared dialog with the text; on a single match takes its
    // code without showing the dialog, otherwise lets the user choose. Afterwards the dialog is
    // unloaded and PubLookupCode holds the chosen code, "" when none was chosen.
    static void choose(qint16 lookupType, const QString &text);

    void setLookupType(qint16 lookupType) { m_lookupType = lookupType; }
    // In: the first search text. Out: the code of the single match of the search at load.
    QString SearchString() const { return m_searchString; }
    void setSearchString(const QString &text) { m_searchString = text; }
    // The search at load found exactly one row.
    bool blnExactMatch = false;
    // The code lookups are shown even when empty: the user searches again in them.
    bool foundNothing() const { return false; }

    // The load: empties PubLookupCode, sets the caption and runs the first search.
    void Form_Load();
    // Runs the search for the text and shows the rows; true when there is at least one. A failure
    // is shown in a message box and gives false.
    bool SearchLookup(const QString &text);
    // The statement the search sends for a kind of record and a search text; AppError 5 for a
    // kind that has no lookup.
    static QString searchStatement(qint16 lookupType, const QString &search);

    void cmdSearch_Click();
    void cmdOptions_Click(int index);
    void grdLookup_DblClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class dialogs::SharedDialog<frmLookup>;

    explicit frmLookup(QWidget *parent = nullptr);
    ~frmLookup() override;

    void setChoosable(bool choosable);
    // True when the key was taken.
    bool grdLookup_KeyPress(int key, const QString &text);

    QLineEdit *txtSearch = nullptr;
    QPushButton *cmdSearch = nullptr;
    ui::FlexGrid *grdLookup = nullptr;
    QPushButton *cmdOptions[2] = {nullptr, nullptr};

    qint16 m_lookupType = 0;
    QString m_searchString;
    db::Recordset m_result;
};
