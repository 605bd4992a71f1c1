#include "mainwindow.h"

#include "app/appinfo.h"
#include "database/database.h"

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(appTitle());
    resize(1000, 700);
    setMinimumSize(800, 600);
    show();
}

MainWindow::~MainWindow()
{
    Database::destroy();
}
