#include "mainwindow/TMainForm.h"

#include <QApplication>
#include <QScreen>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(BaseCaption());
    setCentralWidget(new QWidget(this));
    resize(800, 560);
}

QString TMainForm::BaseCaption()
{
    return QStringLiteral("Quarnel 2.3 ");
}
