#include "platform/ui/msgbox.h"

#include "platform/ui/windowplacement.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

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
    // Never narrower than its title: a short message would have its title cut.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(
            new QSpacerItem(ui::titleWidth(&box), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
            grid->rowCount(), 0, 1, grid->columnCount());
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

} // namespace ui
