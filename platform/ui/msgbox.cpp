#include "platform/ui/msgbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

namespace {

MessageResponder *g_responder = nullptr;

QMessageBox::StandardButton standardButton(Answer answer)
{
    switch (answer) {
    case Answer::OK:
        return QMessageBox::Ok;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::No:
        return QMessageBox::No;
    case Answer::Cancel:
        return QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::None:
        return QMessageBox::NoIcon;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

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

// The answer of a box closed without a button: Cancel, else No, else OK.
Answer closedAnswer(const QList<Answer> &offered)
{
    for (Answer a : {Answer::Cancel, Answer::No})
        if (offered.contains(a))
            return a;
    return offered.first();
}

Answer showBox(const Message &message)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(message.title);
    box.setText(message.text);
    box.setIcon(boxIcon(message.icon));
    const QList<Answer> offered = answersOf(message.buttons);
    for (Answer a : offered)
        box.addButton(standardButton(a));
    box.setDefaultButton(standardButton(offered.first()));
    box.exec();

    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (Answer a : offered)
        if (standardButton(a) == pressed)
            return a;
    return closedAnswer(offered);
}

} // namespace

QList<Answer> answersOf(Buttons buttons)
{
    switch (buttons) {
    case Buttons::OK:
        return {Answer::OK};
    case Buttons::YesNo:
        return {Answer::Yes, Answer::No};
    case Buttons::OKCancel:
        return {Answer::OK, Answer::Cancel};
    case Buttons::YesNoCancel:
        return {Answer::Yes, Answer::No, Answer::Cancel};
    }
    return {Answer::OK};
}

Answer MsgBox(const QString &text, Buttons buttons, Icon icon, const QString &title)
{
    const Message message{text, buttons, icon, title.isEmpty() ? ApplicationTitle : title};
    if (g_responder)
        return g_responder->respond(message);
    return showBox(message);
}

MessageResponder *setMessageResponder(MessageResponder *responder)
{
    MessageResponder *previous = g_responder;
    g_responder = responder;
    return previous;
}

MessageResponder *messageResponder()
{
    return g_responder;
}

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
