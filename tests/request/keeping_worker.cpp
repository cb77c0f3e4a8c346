// A second workstation for the tests of what the request window keeps: signs in on the database
// the test names and works through the request window's own commands.
//
//   keeping_worker TARGET EMPLOYEE addline NUMBER   opens the listed request, adds a line of 1003
//                                                   and saves it; prints "saved"
//   keeping_worker TARGET EMPLOYEE verify NUMBER    opens the listed request and stamps it as
//                                                   verified by E02; prints "verified"
//   keeping_worker TARGET EMPLOYEE type             starts a new request from WARD 3, types two
//                                                   lines and a justification, then waits at
//                                                   "typed" (the test ends it there, as a crash
//                                                   would)
//
// Any message the window showed goes to standard error.
#include "app/modInventory.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "request/frmMain.h"
#include "startup/startup.h"
#include "support/messages.h"
#include "support/serverdatabase.h"
#include "support/workerprotocol.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <cstdio>

namespace {

bool openListed(frmMain &w, const QString &number)
{
    for (int r = 1; r < w.grdListing->Rows(); ++r) {
        if (w.grdListing->TextMatrix(r, 0) == number) {
            w.grdListing->setRow(r);
            w.cmdEdit->click();
            return w.txtDocNum->text() == number;
        }
    }
    return false;
}

// One line typed as a clerk types it: code, quantity, the line button.
void typeLine(frmMain &w, const QString &code, const QString &quantity)
{
    w.cmdAdd_Click();
    w.txtProdCode->setText(code);
    w.txtProdCode_Validate();
    w.txtWithdraw->setText(quantity);
    w.txtWithdraw_Validate();
    w.cmdOK_Click();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: keeping_worker TARGET EMPLOYEE addline|verify|type [NUMBER]\n");
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[1]);
    const QString employee = QString::fromLocal8Bit(argv[2]);
    const QString action = QString::fromLocal8Bit(argv[3]);
    const QString number = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString();

    modInventory::installLookups();
    ui::ScopedRecordingResponder messages;
    int code = 0;
    try {
        clsCurrentUser user;
        user.attach(testsupport::openTarget(target, 60000), employee);
        modInventory::objCurrentUser = &user;
        modInventory::DefaultLocationID = QStringLiteral("19");
        modInventory::InventoryTypeAccess = QStringLiteral("A");
        modInventory::AllowWDZeroOnHand = false;

        frmMain w;
        w.show();
        if (action == QLatin1String("addline")) {
            if (!openListed(w, number)) {
                std::fprintf(stderr, "request %s is not listed\n", qPrintable(number));
                return 1;
            }
            typeLine(w, QStringLiteral("1003"), QStringLiteral("3"));
            w.cmdSave->click();
            if (w.SSTab1->currentIndex() == 0)
                std::puts("saved");
        } else if (action == QLatin1String("verify")) {
            if (!openListed(w, number)) {
                std::fprintf(stderr, "request %s is not listed\n", qPrintable(number));
                return 1;
            }
            w.VerifySaved(number, QStringLiteral("E02"));
            std::puts("verified");
        } else if (action == QLatin1String("type")) {
            w.cmdNew->click();
            w.cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
            w.cboTargetLocation_Validate();
            w.txtRemarks->setText(QStringLiteral("TYPED BEFORE THE CRASH"));
            w.txtRemarks->setModified(true);
            emit w.txtRemarks->editingFinished();
            typeLine(w, QStringLiteral("1001"), QStringLiteral("4"));
            typeLine(w, QStringLiteral("1002"), QStringLiteral("6"));
            std::fflush(stdout);
            worker::waitAt("typed"); // ended here by the test
        }
        std::fflush(stdout);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        code = 1;
    }
    for (const QString &text : messages.texts())
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    return messages.count() == 0 ? code : 1;
}
