#pragma once

#include "app/modInventory.h"

#include <QPointer>
#include <QString>

class QWidget;

namespace db {
class Connection;
}
namespace ui {
class FlexGrid;
}

// What the search and kit dialogs share: the one shared instance of each, the session connection
// they read over, their grids' column widths, and the way a data class runs a search dialog.
namespace dialogs {

// The one shared instance of a dialog class: created with the given parent when absent, destroyed
// by unload() (its results go with it).
template <class Dialog> class SharedDialog
{
public:
    Dialog &instance(QWidget *parent)
    {
        if (m_dialog.isNull())
            m_dialog = new Dialog(parent);
        return *m_dialog;
    }
    void unload() { delete m_dialog.data(); }

private:
    QPointer<Dialog> m_dialog;
};

// The signed-in user's connection; the program's "Object variable ... not set" error, raised from
// the dialog named, when nobody is signed in.
db::Connection &sessionConnection(const QString &dialogName);

// Makes each shown column of the grid as wide as its header and its cells, so that no text is cut.
// The wide column (the name, say) also takes whatever width the grid has left over, now and
// whenever the grid is resized. Call it again when the grid's contents change.
void fitColumns(ui::FlexGrid *grid, int wideColumn);

// Runs a shared search dialog the caller has given its search text: the load searches at once; a
// single match gives its code without showing the dialog, a dialog with nothing to offer
// (foundNothing()) is not shown either, otherwise the user chooses. The dialog is unloaded on
// every way out, a failure included; PubLookupCode then holds the chosen code, "" when none was
// chosen. True when there was nothing to choose from.
template <class Dialog> bool chooseCode(Dialog &dialog)
{
    const struct Unload
    {
        ~Unload() { Dialog::unload(); }
    } unload;
    dialog.Form_Load();
    if (dialog.blnExactMatch) {
        modInventory::PubLookupCode = dialog.SearchString();
        return false;
    }
    if (dialog.foundNothing())
        return true;
    dialog.exec();
    return false;
}

} // namespace dialogs
