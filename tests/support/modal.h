#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

// Answering modal dialogs from tests. A dialog shown with exec() blocks its caller in a local
// event loop; the helper watches, from a timer, for the next modal widget to appear and acts on it
// from inside that loop (fills fields, clicks a button, rejects it). Nothing here hangs: a dialog
// that does not come, or that is still open after the action, ends the watch with a failure (the
// dialog is closed) that the test reads from the watch or from takeModalFailures().
namespace ui::test {

// What became of one request. The fields change while the event loop runs.
struct ModalWatch
{
    bool acted = false;    // the action ran on a dialog
    bool finished = false; // over: the dialog closed after the action, or the watch failed
    QString failure;       // why the watch failed; empty when all went well
    QString dialogClass;   // class name of the widget acted on, for messages
};

// Acts on the next modal widget that becomes active: not the one active when this is called, if
// any, but the next to show (also a second exec() of the same dialog once it has closed, and a
// dialog opened on top of it). The timeout is for each of the two waits: for the dialog to appear,
// and for it to close after the action.
std::shared_ptr<const ModalWatch> whenModal(std::function<void(QWidget *)> action,
                                            int timeoutMs = 5000);

// Every failure of any watch since the last call, oldest first; the list is emptied.
QStringList takeModalFailures();

// Watches still waiting: a test's cleanup can check that none is left behind.
int pendingModalWatches();

// Closes a modal widget as Escape would (reject for a dialog, close otherwise).
void closeModal(QWidget *widget);

// Notes every modal widget shown while it lives and closes each one as Escape would, as soon as
// its event loop runs: a call that should open no dialog is checked when it returns, without
// waiting for a dialog that may come, and one that does open a dialog cannot block the test.
class ModalsShown
{
public:
    ModalsShown();
    ~ModalsShown();
    ModalsShown(const ModalsShown &) = delete;
    ModalsShown &operator=(const ModalsShown &) = delete;

    // Class names of the modal widgets shown so far, in order.
    QStringList classNames() const;

private:
    class Filter;
    std::unique_ptr<Filter> m_filter;
};

} // namespace ui::test
