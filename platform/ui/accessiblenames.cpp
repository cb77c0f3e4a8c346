#include "platform/ui/accessiblenames.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace ui {

QString labelName(const QString &labelText)
{
    QString name;
    name.reserve(labelText.size());
    for (qsizetype i = 0; i < labelText.size(); ++i) {
        const QChar c = labelText.at(i);
        if (c == QLatin1Char('&') && i + 1 < labelText.size()) {
            name += labelText.at(++i); // "&&" is one ampersand; "&x" is x
            continue;
        }
        name += c;
    }
    name = name.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name.trimmed();
}

void nameFromLabels(QWidget *root)
{
    const QList<QLabel *> labels = root->findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        QWidget *buddy = label->buddy();
        const QString name = labelName(label->text());
        if (!buddy || name.isEmpty())
            continue;
        if (buddy->accessibleName().isEmpty())
            buddy->setAccessibleName(name);
        if (auto *combo = qobject_cast<QComboBox *>(buddy)) {
            if (QLineEdit *field = combo->lineEdit(); field && field->accessibleName().isEmpty())
                field->setAccessibleName(combo->accessibleName());
        }
    }
}

} // namespace ui
