#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QToolButton;

// A line of a dialog that says how its last attempt went ("Connected", or why not) in the
// window's own text colours, with the server's own text behind a Details button. Hidden while
// there is nothing to say; it never takes the keyboard focus from the fields.
class StatusLine : public QWidget
{
    Q_OBJECT

public:
    enum class Tone { Fine, Problem };

    explicit StatusLine(QWidget *parent = nullptr);

    // Shows text; Details offers details when there are any, folded.
    void say(Tone tone, const QString &text, const QString &details = {});
    void clear();

    QString text() const;
    QString details() const;

private:
    void fitWindow();

    QLabel *m_icon;
    QLabel *m_text;
    QToolButton *m_showDetails;
    QPlainTextEdit *m_details;
};
