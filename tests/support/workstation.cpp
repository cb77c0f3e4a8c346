#include "support/workstation.h"

namespace testsupport {

Workstation::Workstation(const QString &program, const QStringList &arguments)
{
    m_process.start(program, arguments);
}

Workstation::~Workstation()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(-1);
    }
}

void Workstation::readOutput()
{
    m_output += m_process.readAllStandardOutput();
    m_errors += m_process.readAllStandardError();
}

bool Workstation::waitFor(const QByteArray &line)
{
    for (;;) {
        const bool ended = m_process.state() == QProcess::NotRunning;
        readOutput();
        // Only complete lines count; the search goes on from the end of the last line found.
        for (qsizetype end = m_output.indexOf('\n', m_scanned); end >= 0;
             end = m_output.indexOf('\n', m_scanned)) {
            const QByteArray found = m_output.mid(m_scanned, end - m_scanned);
            m_scanned = end + 1;
            if (found == line)
                return true;
        }
        if (ended)
            return false;
        m_process.waitForReadyRead(-1); // returns early when the worker ends
    }
}

void Workstation::go()
{
    m_process.write("go\n");
    m_process.waitForBytesWritten(-1);
}

bool Workstation::finish()
{
    m_process.closeWriteChannel();
    if (m_process.state() != QProcess::NotRunning)
        m_process.waitForFinished(-1);
    readOutput();
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

QList<QByteArray> Workstation::lines() const
{
    QList<QByteArray> out = m_output.split('\n');
    out.removeLast(); // what follows the last newline: empty, or a line not yet complete
    return out;
}

QByteArray Workstation::errors()
{
    readOutput();
    return m_errors;
}

bool meet(Workstations &workstations, const QByteArray &line)
{
    for (auto &w : workstations)
        if (!w->waitFor(line))
            return false;
    for (auto &w : workstations)
        w->go();
    return true;
}

QByteArray errorsOf(Workstations &workstations)
{
    QByteArray out;
    for (auto &w : workstations)
        out += w->errors();
    return out;
}

} // namespace testsupport
