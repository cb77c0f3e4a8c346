// A workstation for the reliability tests, driving the request window against a shared database
// file opened as the program opens it (the default busy timeout). The test sets the pace through
// the points the worker waits at (support/workerprotocol.h).
//
//   reliability_worker FILE mix OPERATIONS WORKER
//     Opens the window and waits at "ready"; then cycles through: save a new request, re-save one
//     of its own (Edit, new lines, Save), verify one (Verify/Save with the password dialog
//     answered, or the direct verification stamp), cancel one (the Delete command). After the
//     first operation it waits at "started", so that every workstation is at work before any can
//     finish. Prints one line per operation that went through:
//       saved <number> <justification> <lines> <mark>   verified <number> <by>   cancelled <number>
//   reliability_worker FILE typed COUNT WORKER
//     (numbers typed by the user) Types the numbers 5000, 5001, ... for new requests, waiting at
//     "ready" before each, so that the workstations race for every number. Prints "saved <number>
//     <justification> <lines> <mark>" for each number it got; a number another workstation took
//     first is refused with the window's message, which is expected here and not reported.
//   reliability_worker FILE big LINES NUMBER|NEW FIRST SAVE:STATEMENT
//     Saves a request of LINES lines (a new one when NEW), then saves it again and again, each save
//     with the justification "S<k>" (k counting from FIRST) and a line count that depends on k.
//     Prints "saving <k>" as each save starts and "saved <number> <k>" once it is stored. In its
//     SAVE-th save it kills itself (SIGKILL) as the save sends its STATEMENT-th statement, or as it
//     commits when STATEMENT is 0.
// Any message the window showed goes to standard error; the exit code is then 1.
#include "app/modInventory.h"
#include "dialogs/frmDeletePassword.h"
#include "platform/db/connection.h"
#include "platform/error.h"
#include "platform/session/clsCurrentUser.h"
#include "platform/ui/flexgrid.h"
#include "platform/ui/locationcombo.h"
#include "platform/ui/msgbox.h"
#include "request/frmMain.h"
#include "support/messages.h"
#include "support/modal.h"
#include "support/serverdatabase.h"
#include "support/sqllog.h"
#include "support/workerprotocol.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <csignal>
#include <cstdio>

namespace {

// The lines of one save: item codes 1001.. with quantities 1.., marked by the save's number.
void fillLines(frmMain &w, int lines, int mark)
{
    w.grdDetails->setRows(lines + 2);
    for (int r = 1; r <= lines; ++r) {
        w.grdDetails->setTextMatrix(r, 0, QString::number(1000 + r));
        w.grdDetails->setTextMatrix(r, 2, QString::number(r + mark));
        w.grdDetails->setTextMatrix(r, 3, QStringLiteral("1.5000"));
        w.grdDetails->setTextMatrix(r, 5, QStringLiteral("N"));
        w.grdDetails->setTextMatrix(r, 6, QStringLiteral("N"));
    }
    for (int c = 0; c < 7; ++c)
        w.grdDetails->setTextMatrix(lines + 1, c, QString());
}

void newRequest(frmMain &w)
{
    w.cmdNew->click();
    w.cboTargetLocation->setEditText(QStringLiteral("WARD 3"));
    w.cboTargetLocation_Validate();
}

// Selects a request in the pending, unverified listing; false when it is not listed.
bool selectListed(frmMain &w, const QString &number)
{
    w.optOptions[0]->setChecked(true);
    w.chkverified->setChecked(false);
    w.LoadListing();
    for (int r = 1; r < w.grdListing->Rows(); ++r) {
        if (w.grdListing->TextMatrix(r, 0) == number) {
            w.grdListing->setRow(r);
            return true;
        }
    }
    return false;
}

bool openListed(frmMain &w, const QString &number)
{
    if (!selectListed(w, number))
        return false;
    emit w.grdListing->DblClick();
    return w.txtDocNum->text() == number;
}

// The warning before saving a request like an open one, answered with Enter and not recorded:
// these workstations save requests alike on purpose.
class SaveAnyway : public ui::MessageResponder
{
public:
    explicit SaveAnyway(ui::MessageResponder &next) : m_next(next) {}
    ui::Answer respond(const ui::Message &message) override
    {
        if (message.text.contains(QLatin1String("Save this request anyway?")))
            return ui::Answer::OK;
        return m_next.respond(message);
    }

private:
    ui::MessageResponder &m_next;
};

void authorise()
{
    ui::test::whenModal(
        [](QWidget *dialog) {
            auto *d = qobject_cast<frmDeletePassword *>(dialog);
            if (!d)
                return;
            d->txtUserID->setText(QStringLiteral("E02"));
            d->txtPassword->setText(QStringLiteral("NURSE"));
            d->cmdEnter->click();
        },
        20000);
}

void mix(frmMain &w, ui::ScopedRecordingResponder &messages, int operations, const QString &me)
{
    QStringList open; // saved, neither verified nor cancelled
    for (int i = 0; i < operations && messages.count() == 0; ++i) {
        if (i == 1 && !worker::waitAt("started"))
            return;
        const int kind = open.size() < 2 ? 0 : i % 5;
        const QString remarks = QStringLiteral("%1-%2").arg(me).arg(i);
        const int lines = 1 + (i * 7 + me.size()) % 4;
        if (kind == 0 || kind == 1) {
            // A new request, or a re-save of the oldest open one with other lines.
            QString number = QStringLiteral("NEW");
            if (kind == 0) {
                newRequest(w);
            } else if (!openListed(w, open.first())) {
                std::printf("missing %s\n", qPrintable(open.first()));
                continue;
            } else {
                number = open.first();
            }
            w.txtRemarks->setText(remarks);
            fillLines(w, lines, i);
            w.cmdSave->click();
            if (w.txtDocNum->text() == QLatin1String("NEW"))
                continue;
            if (kind == 0)
                open << w.txtDocNum->text();
            std::printf("saved %s %s %d %d\n", qPrintable(w.txtDocNum->text()), qPrintable(remarks),
                        lines, i);
        } else if (kind == 2) {
            // Verify/Save: the lines saved again, stamped with the authorising ID.
            const QString number = open.takeLast();
            if (!openListed(w, number)) {
                std::printf("missing %s\n", qPrintable(number));
                continue;
            }
            w.txtRemarks->setText(remarks);
            fillLines(w, lines, i);
            authorise();
            w.cmdVerify->click();
            std::printf("saved %s %s %d %d\n", qPrintable(number), qPrintable(remarks), lines, i);
            std::printf("verified %s E02\n", qPrintable(number));
        } else if (kind == 3) {
            const QString number = open.takeLast();
            w.VerifySaved(number, QStringLiteral("E03"));
            std::printf("verified %s E03\n", qPrintable(number));
        } else {
            const QString number = open.takeLast();
            if (!selectListed(w, number)) {
                std::printf("missing %s\n", qPrintable(number));
                continue;
            }
            messages.queueAnswer(ui::Answer::Yes);
            w.cmdDeleteReq->click();
            // The confirmation is the one message expected here.
            if (messages.count() == 1 &&
                messages.texts().first().startsWith(QLatin1String("Are you sure")))
                messages.clear();
            std::printf("cancelled %s\n", qPrintable(number));
        }
        std::fflush(stdout);
    }
}

void typed(frmMain &w, ui::ScopedRecordingResponder &messages, int count, const QString &me)
{
    static const QString taken =
        QStringLiteral("Document Number already exists. Please assign a new number.");
    const int worker = me.mid(1).toInt();
    for (int i = 0; i < count && messages.count() == 0; ++i) {
        if (!worker::waitAt("ready"))
            return;
        const QString number = QString::number(5000 + i);
        const QString remarks = QStringLiteral("%1-%2").arg(me).arg(i);
        const int lines = 1 + (i + worker) % 4;
        const int mark = i * 10 + worker;
        newRequest(w);
        w.txtDocNum->setText(number);
        w.txtRemarks->setText(remarks);
        fillLines(w, lines, mark);
        w.cmdSave->click();
        if (messages.count() == 1 && messages.texts().first() == taken) {
            messages.clear();
            continue;
        }
        if (messages.count() == 0) {
            std::printf("saved %s %s %d %d\n", qPrintable(number), qPrintable(remarks), lines,
                        mark);
            std::fflush(stdout);
        }
    }
}

// The line count of save k of the big request: it changes from one save to the next.
int bigLines(int lines, int k)
{
    return lines - (k % 4) * (lines / 10);
}

// Where the big mode's worker kills itself: in its save-th save, at the statement-th statement
// that save sends (0: at its commit).
struct KillPoint
{
    int save = 0;
    int statement = 0;
};

void big(frmMain &w, ui::ScopedRecordingResponder &messages, int lines, const QString &number,
         int first, KillPoint killAt)
{
    int save = 0;      // the save under way, counting from 1
    int statement = 0; // statements the save under way has sent
    testsupport::SqlLog log;
    log.onStatement([&](const QString &sent) {
        if (save != killAt.save)
            return;
        ++statement;
        if (killAt.statement == 0 ? sent == QLatin1String("COMMIT") : statement == killAt.statement)
            ::raise(SIGKILL);
    });
    newRequest(w);
    if (number != QLatin1String("NEW")) {
        w.txtDocNum->setText(number);
        w.txtDocNum->setReadOnly(true);
    }
    for (int k = first; messages.count() == 0; ++k) {
        // A stored request is saved again as the clerk does it: opened first, as it is stored.
        if (w.txtDocNum->text() != QLatin1String("NEW"))
            w.loadStoredRequest(w.txtDocNum->text());
        w.txtRemarks->setText(QStringLiteral("S%1").arg(k));
        fillLines(w, bigLines(lines, k), k);
        std::printf("saving %d\n", k);
        std::fflush(stdout);
        ++save;
        statement = 0;
        if (!w.SaveRequest())
            break;
        std::printf("saved %s %d\n", qPrintable(w.txtDocNum->text()), k);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: reliability_worker FILE|postgresql:DATABASE mix|typed|big "
                             "COUNT WORKER|NUMBER\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QString mode = QString::fromLocal8Bit(argv[2]);
    const int count = QString::fromLocal8Bit(argv[3]).toInt();
    const QString last = QString::fromLocal8Bit(argv[4]);

    ui::ScopedRecordingResponder messages;
    SaveAnyway saveAnyway(messages);
    const ui::ResponderScope answeringWarnings(saveAnyway);
    try {
        clsCurrentUser user;
        user.attach(testsupport::openTarget(file), QStringLiteral("E01"));
        modInventory::objCurrentUser = &user;
        modInventory::DefaultLocationID = QStringLiteral("19");
        modInventory::InventoryTypeAccess = QStringLiteral("A");

        modInventory::isAutoWithdrawRequestNumber = mode == QLatin1String("typed");
        frmMain w;
        if (mode == QLatin1String("mix")) {
            if (!worker::waitAt("ready"))
                return 1;
            mix(w, messages, count, last);
        } else if (mode == QLatin1String("typed")) {
            typed(w, messages, count, last);
        } else {
            const QStringList killAt = QString::fromLocal8Bit(argc > 6 ? argv[6] : "").split(':');
            if (argc < 7 || killAt.size() != 2) {
                std::fprintf(stderr, "big needs FIRST SAVE:STATEMENT\n");
                return 2;
            }
            big(w, messages, count, last, QString::fromLocal8Bit(argv[5]).toInt(),
                {killAt.at(0).toInt(), killAt.at(1).toInt()});
        }
        std::fflush(stdout);
    } catch (const AppError &e) {
        std::fprintf(stderr, "error: %s\n", qPrintable(e.description()));
        return 1;
    }
    for (const QString &text : messages.texts())
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    for (const QString &failure : ui::test::takeModalFailures())
        std::fprintf(stderr, "dialog: %s\n", qPrintable(failure));
    return messages.count() == 0 ? 0 : 1;
}
