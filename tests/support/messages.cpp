#include "support/messages.h"

namespace ui {

namespace {

QString answerName(Answer answer)
{
    switch (answer) {
    case Answer::OK:
        return QStringLiteral("OK");
    case Answer::Yes:
        return QStringLiteral("Yes");
    case Answer::No:
        return QStringLiteral("No");
    case Answer::Cancel:
        return QStringLiteral("Cancel");
    }
    return {};
}

} // namespace

Answer RecordingResponder::respond(const Message &message)
{
    m_messages.append(message);
    const QList<Answer> offered = answersOf(message.buttons);
    if (!m_queue.isEmpty()) {
        const Answer answer = m_queue.takeFirst();
        if (!offered.contains(answer))
            m_mismatches.append(QStringLiteral("answered %1 to \"%2\", which has no such button")
                                    .arg(answerName(answer), message.text));
        return answer;
    }
    if (m_default && offered.contains(*m_default))
        return *m_default;
    return offered.first();
}

void RecordingResponder::clear()
{
    m_messages.clear();
    m_queue.clear();
    m_mismatches.clear();
    m_default.reset();
}

QStringList RecordingResponder::texts() const
{
    QStringList out;
    for (const Message &m : m_messages)
        out << m.text;
    return out;
}

} // namespace ui
