#pragma once

#include <QMainWindow>

// The program's main window. For now it only shows its caption; the file list, the results
// pane and the commands are added on top of this shell.
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);

    // The window caption of an idle window.
    static QString BaseCaption();
};
