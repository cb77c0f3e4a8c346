#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QStringList>

#include <memory>
#include <vector>

namespace testsupport {

// A worker process that a multi-process test drives. The worker reports on standard output, one
// line per event, and stops at agreed points until the test lets it go on (workerprotocol.h). The
// test waits for what a worker reports, never for a length of time: a worker that hangs is ended
// by the test's own time limit in CTest.
class Workstation
{
public:
    Workstation(const QString &program, const QStringList &arguments);
    ~Workstation();
    Workstation(const Workstation &) = delete;
    Workstation &operator=(const Workstation &) = delete;

    // Waits until the worker prints `line` (a whole line), looking only at what it printed after
    // the line last waited for; false when the worker ended without printing it.
    bool waitFor(const QByteArray &line);
    // Lets the worker go on from the point it is waiting at.
    void go();
    // Waits until the worker has ended; true when it exited by itself with code 0.
    bool finish();

    // Every complete line the worker printed on standard output so far.
    QList<QByteArray> lines() const;
    // What the worker printed on standard error so far.
    QByteArray errors();
    QProcess &process() { return m_process; }

private:
    void readOutput();

    QProcess m_process;
    QByteArray m_output;
    QByteArray m_errors;
    qsizetype m_scanned = 0;
};

using Workstations = std::vector<std::unique_ptr<Workstation>>;

// Starts `count` workstations of one program; arguments(i) gives the i-th one's arguments.
template <typename Arguments>
Workstations startWorkstations(const QString &program, int count, Arguments &&arguments)
{
    Workstations out;
    for (int i = 0; i < count; ++i)
        out.push_back(std::make_unique<Workstation>(program, arguments(i)));
    return out;
}

// Waits until every workstation has printed `line`, then lets them all go on: they leave that
// point together. False when one of them ended first.
bool meet(Workstations &workstations, const QByteArray &line);

// What the workstations printed on standard error so far, for a failure's message.
QByteArray errorsOf(Workstations &workstations);

} // namespace testsupport
