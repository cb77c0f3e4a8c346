#pragma once

#include "platform/ui/msgbox.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace ui {

// Records every message and answers from a script: queued answers first, in order; when the queue
// is empty the default answer if one is set and the box offers it, otherwise the box's first
// button (OK, or Yes). A queued answer the box does not offer is still returned, and noted in
// mismatches() so a test sees its script went wrong.
class RecordingResponder : public MessageResponder
{
public:
    Answer respond(const Message &message) override;

    void queueAnswer(Answer answer) { m_queue.append(answer); }
    void setDefaultAnswer(Answer answer) { m_default = answer; }
    void clear();

    const QList<Message> &messages() const { return m_messages; }
    QStringList texts() const;
    int count() const { return int(m_messages.size()); }
    int pendingAnswers() const { return int(m_queue.size()); }
    const QStringList &mismatches() const { return m_mismatches; }

private:
    QList<Message> m_messages;
    QList<Answer> m_queue;
    std::optional<Answer> m_default;
    QStringList m_mismatches;
};

// Installs a responder for the lifetime of the guard and puts the previous one back afterwards.
class ResponderScope
{
public:
    explicit ResponderScope(MessageResponder &responder)
        : m_previous(setMessageResponder(&responder))
    {
    }
    ~ResponderScope() { setMessageResponder(m_previous); }
    ResponderScope(const ResponderScope &) = delete;
    ResponderScope &operator=(const ResponderScope &) = delete;

private:
    MessageResponder *m_previous;
};

// A recording responder that is installed while it lives: the usual set-up of a test.
class ScopedRecordingResponder : public RecordingResponder
{
public:
    ScopedRecordingResponder() : m_scope(*this) {}

private:
    ResponderScope m_scope;
};

} // namespace ui
