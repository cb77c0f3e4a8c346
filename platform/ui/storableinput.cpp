#include "platform/ui/storableinput.h"

#include "platform/storabletext.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>

namespace ui {

void StorableInput::install()
{
    static QPointer<StorableInput> filter;
    if (filter)
        return;
    filter = new StorableInput;
    filter->setParent(qApp);
    qApp->installEventFilter(filter);
}

bool StorableInput::eventFilter(QObject *watched, QEvent *event)
{
    // A line edit meets one of these before any text can be typed or pasted into it: it is
    // polished before it is first shown, and takes the focus or a key before it is edited (an
    // editable combo passes its keys to its line edit without an event of the edit's own).
    switch (event->type()) {
    case QEvent::Polish:
    case QEvent::Show:
    case QEvent::FocusIn:
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::DragEnter:
        if (auto *edit = qobject_cast<QLineEdit *>(watched))
            watch(edit);
        else if (auto *combo = qobject_cast<QComboBox *>(watched); combo && combo->lineEdit())
            watch(combo->lineEdit());
        break;
    default:
        break;
    }
    return false;
}

StorableInput::Validator::Validator(QObject *parent, const QValidator *own)
    : QValidator(parent), m_own(own)
{
}

QValidator::State StorableInput::Validator::validate(QString &input, int &pos) const
{
    if (!isStorableText(input)) {
        pos = int(storableText(input.left(pos)).size());
        input = storableText(input);
    }
    return m_own ? m_own->validate(input, pos) : Acceptable;
}

void StorableInput::Validator::fixup(QString &input) const
{
    input = storableText(input);
    if (m_own)
        m_own->fixup(input);
}

void StorableInput::watch(QLineEdit *edit)
{
    const QValidator *own = edit->validator();
    if (dynamic_cast<const Validator *>(own))
        return;
    edit->setValidator(own ? new Validator(edit, own) : &m_validator);
}

} // namespace ui
