#pragma once

#include "platform/db/recordset.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace ui {
class FlexGrid;
}

// Shows the member items of a kit and lets the user take one of them or ask for all of them.
//
// The caller sets ItemID to the kit's code and runs exec(); afterwards AllItems() says whether
// every member is wanted and ItemID() holds the chosen member's code (still the kit's code when
// the dialog was closed without a choice). The dialog writes nothing.
class frmKitEntry : public QDialog
{
    Q_OBJECT

public:
    explicit frmKitEntry(QWidget *parent = nullptr);
    ~frmKitEntry() override;

    // The one shared dialog, created when absent. Its values stay readable after it has closed;
    // unload() destroys it.
    static frmKitEntry &instance();
    static void unload();

    void setItemID(const QString &itemId) { m_itemId = itemId; }
    QString ItemID() const { return m_itemId; }
    bool AllItems() const { return m_allItems; }

    // Runs the load (Form_Load), then shows the dialog modally.
    int exec() override;
    // What opening the dialog does: "Add All Items" unticked and AllItems false again, and the
    // members of the kit ItemID names in the grid.
    void Form_Load();

    // Shows the members of the kit; an empty kit, or one whose members cannot be read, leaves
    // the grid and Select disabled.
    void LoadKit(const QString &kitCode);
    // Lays out the empty grid.
    void FormatKitGrid();

    void cmdSelect_Click();
    void cmdClose_Click();

    QGroupBox *vkFrame1 = nullptr;
    ui::FlexGrid *flexMSHDetails = nullptr;
    QCheckBox *chkAddAllItems = nullptr;
    QPushButton *cmdSelect = nullptr;
    QPushButton *cmdClose = nullptr;

private:
    void buildWindow();

    QString m_itemId;
    bool m_allItems = false;
    db::Recordset m_rsKit;
};
