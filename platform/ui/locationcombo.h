#pragma once

#include "platform/db/recordset.h"

#include <QComboBox>

namespace ui {

// A combo of location rows with an edit part: it shows one column of its bound rows, and keeps the
// code of the chosen location in Tag(), "" when none is chosen. The tag is set by the code that
// checks what the user typed or chose, never by the list itself.
class LocationCombo : public QComboBox
{
    Q_OBJECT

public:
    explicit LocationCombo(QWidget *parent = nullptr);

    const QString &Tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }

    // Shows the column `display` of every row; the rows stay alive as the combo's source.
    void bind(const db::Recordset &rows, const QString &display);
    void unbind();
    const db::Recordset &rows() const { return m_rows; }

private:
    QString m_tag;
    db::Recordset m_rows;
};

} // namespace ui
