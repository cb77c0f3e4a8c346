#pragma once

#include <QString>

class QWidget;

namespace ui {

// The name a screen reader gives a control that a label stands beside: the label's text without
// its mnemonic mark and without a closing colon ("&Employee ID" -> "Employee ID").
QString labelName(const QString &labelText);

// Gives every control under root that a label names (the label's buddy) that label's name, unless
// it has a name of its own already. Qt finds a buddy's name by itself only where the label and the
// control share a parent, and on Linux names a combo box by the text it shows; this names both
// the combo box and its edit field by their label.
void nameFromLabels(QWidget *root);

} // namespace ui
