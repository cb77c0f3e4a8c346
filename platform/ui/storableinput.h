#pragma once

#include <QObject>
#include <QPointer>
#include <QValidator>

class QLineEdit;

namespace ui {

// The edge where typed text enters the program: whatever the user types, pastes, drops or
// composes into any line edit of the application (the windows', the dialogs', an editable
// combo's) is made storable (platform/storabletext.h) as it arrives, the cursor kept in its
// place, so the field shows what will be stored. One filter on the application finds each line
// edit at its first event and gives it a validator that makes the text storable before the edit
// takes it, so the field's signals carry only the storable form. A validator the line edit had
// already still has its say on the storable text; one set after the line edit was found takes the
// place of this one.
class StorableInput : public QObject
{
    Q_OBJECT

public:
    // Installs the filter on the application (once; installing again changes nothing).
    static void install();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Validator : public QValidator
    {
    public:
        explicit Validator(QObject *parent, const QValidator *own = nullptr);
        State validate(QString &input, int &pos) const override;
        void fixup(QString &input) const override;

    private:
        QPointer<const QValidator> m_own;
    };

    StorableInput() = default;
    void watch(QLineEdit *edit);

    Validator m_validator{this};
};

} // namespace ui
