#pragma once

#include "platform/db/recordset.h"

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class FlexGrid;
}

// The product search: finds products by the start of their name or by their exact code, either in
// the whole item master or among the products the request's two locations hold, and hands the
// chosen code back in modInventory::PubLookupCode.
//
// The caller sets the search text, the location name and the location code, runs Form_Load (which
// searches at once), and then either takes SearchString() when blnExactMatch says the search found
// exactly one product, or shows the dialog with exec(). Either way it calls unload() afterwards.
class frmItemLookup : public QDialog
{
    Q_OBJECT

public:
    explicit frmItemLookup(QWidget *parent = nullptr);
    ~frmItemLookup() override;

    // The one shared dialog, created when absent; unload() destroys it.
    static frmItemLookup &instance();
    static void unload();

    // The data classes' search: loads the shared dialog with the text, the location name and the
    // location code; on a single match takes its code without showing the dialog, otherwise lets
    // the user choose. Afterwards the dialog is unloaded and PubLookupCode holds the chosen code,
    // "" when none was chosen.
    static void choose(const QString &text, const QString &locationName,
                       const QString &locationCode);

    // The text to search for; replaced by the product's code when a search finds exactly one.
    void setSearchString(const QString &text) { m_searchString = text; }
    QString SearchString() const { return m_searchString; }
    void setLocationName(const QString &name) { m_locationName = name; }
    // Empty (after trimming) searches the whole item master; anything else searches the products
    // held at the request's supplying location and requesting department.
    void setLocationCode(const QString &code) { m_locationCode = code; }
    // The codes of the request's supplying location and requesting department, which the search
    // by location reads; they stay until the dialog is unloaded.
    void setRequestLocationCodes(const QString &supplyingCode, const QString &requestingCode)
    {
        m_supplyingCode = supplyingCode;
        m_requestingCode = requestingCode;
    }

    // True once a search since the last Form_Load found exactly one product.
    bool blnExactMatch = false;
    // True when the search at load found no product: the dialog is not shown, and the caller
    // says so (lastChoiceFoundNothing()).
    bool foundNothing() const;
    static bool lastChoiceFoundNothing();

    // Resets the result, shows the location and the search text, and runs the search.
    void Form_Load();

    // How many products a search lists at most: a keystroke lists the first KeystrokeRows by
    // name, so that typing stays instant however large the catalogue; the search button (or
    // Enter in the search box) lists up to SearchRows. A note under the list says when more
    // products match than are listed.
    static constexpr int KeystrokeRows = 500;
    static constexpr int SearchRows = 20000;

    // Searches and shows the products found, at most maxRows of them; true when there was at
    // least one.
    bool SearchProducts(const QString &text, int maxRows = KeystrokeRows);
    // The statement SearchProducts sends for the text with the dialog's location settings: one
    // row more than it lists, which tells whether there are more.
    QString searchStatement(const QString &text, int maxRows = KeystrokeRows) const;
    // The statement choose() searches with first, for the same text and location code, at the
    // request locations set on this dialog.
    QString chooseStatement(const QString &text, const QString &locationCode) const;

    // The statement SearchProducts runs. With locationForm the products must be held at
    // supplyingCode and present with status 0 at requestingCode. With maxRows it returns at
    // most that many rows, in name order. stockNamesKept: the database keeps its stock rows
    // under their items' names (db::Dialect::stockNamesKept()), and the location form's search
    // by name walks those of requestingCode; the rows and their order are the same.
    static QString productSearchStatement(const QString &text, bool locationForm,
                                          const QString &supplyingCode,
                                          const QString &requestingCode, int maxRows = 0,
                                          bool stockNamesKept = false);

    // Select (index 1) takes the current row's code; both close the dialog.
    void cmdOptions_Click(int index);
    // The search button and the picture button: search, then focus the grid or the search box.
    void cmdSearch_Click();

    QGroupBox *vkFrame1 = nullptr;
    QLineEdit *txtSearch = nullptr;
    QPushButton *cmdSearch = nullptr;
    QPushButton *picSearch = nullptr;
    QLineEdit *txtLocation = nullptr;
    ui::FlexGrid *grdLookup = nullptr;
    QLabel *lblMore = nullptr; // shown when more products match than are listed
    QPushButton *cmdOptions[2] = {};

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    QString searchStatementAt(const QString &text, const QString &locationCode, int maxRows) const;
    void txtSearch_Change();
    bool grdLookup_KeyDown(QKeyEvent *event);
    bool txtSearch_KeyPress(QKeyEvent *event);

    QString m_searchString;
    QString m_locationName;
    QString m_locationCode;
    db::Recordset m_rsLookup;
    bool m_searchFoundNothing = false; // the last search ran and listed no product
    bool m_loading = false;            // Form_Load fills the search box without searching twice
    QString m_supplyingCode;
    QString m_requestingCode;
};
