#include "platform/ui/locationcombo.h"

#include <QCompleter>
#include <QLineEdit>

namespace ui {

LocationCombo::LocationCombo(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    completer()->setCompletionMode(QCompleter::InlineCompletion);
    completer()->setCaseSensitivity(Qt::CaseInsensitive);
}

void LocationCombo::bind(const db::Recordset &rows, const QString &display)
{
    const QString text = currentText();
    clear();
    m_rows = rows;
    m_rows.MoveFirst();
    const bool hasCode = m_rows.HasField(QStringLiteral("LocationID"));
    for (; !m_rows.Eof(); m_rows.MoveNext()) {
        const db::Field name = m_rows.Fields(display);
        addItem(name.IsNull() ? QString() : name.toText(),
                hasCode ? m_rows.Fields(QStringLiteral("LocationID")).Value() : QVariant());
    }
    m_rows.MoveFirst();
    setCurrentIndex(-1);
    setEditText(text);
}

void LocationCombo::unbind()
{
    const QString text = currentText();
    clear();
    m_rows = db::Recordset();
    setEditText(text);
}

} // namespace ui
