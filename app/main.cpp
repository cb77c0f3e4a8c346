#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QStandardPaths>

#include "platform/db/embeddeddatabase.h"
#include "platform/error.h"

#include <QDir>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Inventory Request"));
    QApplication::setOrganizationName(QStringLiteral("InventoryRequest"));

    // Until the sign-in lands: open (or create) the embedded demo database and show its state.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString path = QDir(folder).filePath(QStringLiteral("inventory.db"));
    try {
        auto connection = QFileInfo::exists(path)
                              ? db::Connection::openSqlite(path)
                              : db::createEmbeddedDatabase(path, db::Contents::DemoData);
        db::Recordset rs = connection->OpenRecordset(
            QStringLiteral("Select Count(*) as Items From INVENTORY..tbInvMaster"));
        QLabel window(QStringLiteral("Embedded database %1\n%2 items")
                          .arg(path, rs.Fields(QStringLiteral("Items")).toText()));
        window.setWindowTitle(QStringLiteral("CALVOX - Inventory Request"));
        window.setMargin(24);
        window.show();
        return app.exec();
    } catch (const AppError &e) {
        QMessageBox::critical(nullptr, QStringLiteral("Inventory Request"), e.description());
        return 1;
    }
}
