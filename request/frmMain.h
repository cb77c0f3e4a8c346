#pragma once

#include <QMainWindow>

// The stock request window: one request at a time, with the list of requests on its first tab.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
};
