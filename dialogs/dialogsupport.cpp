#include "dialogs/dialogsupport.h"

#include "objects/datahelpers.h"
#include "platform/ui/twips.h"

#include <QWidget>

namespace dialogs {

db::Connection &sessionConnection(const QString &dialogName)
{
    db::Connection *connection = objects::sessionConnection();
    if (!connection)
        objects::objectNotSet(dialogName);
    return *connection;
}

void place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(ui::twipsToPixels(left), ui::twipsToPixels(top), ui::twipsToPixels(width),
                        ui::twipsToPixels(height));
}

} // namespace dialogs
