#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace ui {

// The title of every message box that has none of its own.
inline const QString ApplicationTitle = QStringLiteral("Inventory Request");

enum class Buttons { OK, YesNo, OKCancel, YesNoCancel };
enum class Icon { None, Information, Question, Exclamation, Critical };
enum class Answer { OK, Yes, No, Cancel };

// One message as the user sees it; the title is the one shown (the application title when the
// caller gave none).
struct Message
{
    QString text;
    Buttons buttons = Buttons::OK;
    Icon icon = Icon::None;
    QString title;
};

// Shows a modal message box over the active window and returns the button pressed. Closing a box
// without pressing a button answers Cancel when it has one, otherwise No, otherwise OK.
Answer MsgBox(const QString &text, Buttons buttons = Buttons::OK, Icon icon = Icon::None,
              const QString &title = {});

// The buttons a box offers, in their order on screen; the first is the default button.
QList<Answer> answersOf(Buttons buttons);

// Answers message boxes instead of the user. While one is installed no box is shown: the tests
// install one that records every message and answers from a script.
class MessageResponder
{
public:
    virtual ~MessageResponder() = default;
    virtual Answer respond(const Message &message) = 0;
};

// Installs a responder (nullptr: show real boxes again); returns the one installed before.
MessageResponder *setMessageResponder(MessageResponder *responder);
MessageResponder *messageResponder();

} // namespace ui
