// A workstation for the concurrent-save test: signs in on the database file, and saves `count` new
// requests through the request window's own commands (New, then Save with the number "NEW"), each
// with `lines` lines whose justification names the worker and the save. Prints one line per save,
// "saved <number> <justification>", and any message the window showed on standard error. Before
// each save it waits at "ready" until the test lets all workstations save together. The warning
// before a request like an open one is answered with Enter (save anyway) and reported as one line,
// "warned <numbers listed>" ("warned-again" when the save's lock found one), not as a failure.
#include "app/modInventory.h"
#include "platform/db/connection.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"
#include "support/messages.h"
#include "support/serverdatabase.h"
#include "support/workerprotocol.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(
            stderr,
            "usage: save_worker FILE|odbc:CONNECTION|postgresql:DATABASE COUNT LINES WORKER\n");
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[1]);
    const int count = QString::fromLocal8Bit(argv[2]).toInt();
    const int lines = QString::fromLocal8Bit(argv[3]).toInt();
    const QString worker = QString::fromLocal8Bit(argv[4]);

    ui::ScopedRecordingResponder messages;
    // The messages that are not the duplicate warning, and the warnings' requests as they come.
    qsizetype reported = 0;
    QStringList failures;
    const auto takeMessages = [&] {
        static const QRegularExpression request(QStringLiteral("^Request (\\d+) of "),
                                                QRegularExpression::MultilineOption);
        for (; reported < messages.count(); ++reported) {
            const QString text = messages.messages().at(reported).text;
            if (!text.contains(QLatin1String("Save this request anyway?"))) {
                failures << text;
                continue;
            }
            QStringList numbers;
            for (auto it = request.globalMatch(text); it.hasNext();)
                numbers << it.next().captured(1);
            // "warned again": found under the save's lock, after the first look missed it.
            const bool again = text.startsWith(QLatin1String("Another request"));
            std::printf("warned%s %s\n", again ? "-again" : "",
                        qPrintable(numbers.join(QLatin1Char(','))));
        }
    };
    try {
        clsCurrentUser user;
        user.attach(testsupport::openTarget(target, 60000), QStringLiteral("E01"));
        modInventory::objCurrentUser = &user;
        modInventory::DefaultLocationID = QStringLiteral("19");
        modInventory::InventoryTypeAccess = QStringLiteral("A");

        frmMain w;
        for (int i = 0; i < count && failures.isEmpty(); ++i) {
            if (!worker::waitAt("ready"))
                return 1;
            w.cmdNew->click();
            w.cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
            w.cboTargetLocation_Validate();
            const QString remarks = QStringLiteral("%1-%2").arg(worker).arg(i);
            w.txtRemarks->setText(remarks);
            w.grdDetails->setRows(lines + 2);
            for (int r = 1; r <= lines; ++r) {
                w.grdDetails->setTextMatrix(r, 0, QStringLiteral("%1").arg(1000 + r));
                w.grdDetails->setTextMatrix(r, 2, QString::number(r));
                w.grdDetails->setTextMatrix(r, 3, QStringLiteral("1.5000"));
                w.grdDetails->setTextMatrix(r, 5, QStringLiteral("N"));
                w.grdDetails->setTextMatrix(r, 6, QStringLiteral("N"));
            }
            w.cmdSave->click();
            takeMessages();
            if (w.txtDocNum->text() != QLatin1String("NEW"))
                std::printf("saved %s %s\n", qPrintable(w.txtDocNum->text()), qPrintable(remarks));
        }
        std::fflush(stdout);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
    for (const QString &text : std::as_const(failures))
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    return failures.isEmpty() ? 0 : 1;
}
