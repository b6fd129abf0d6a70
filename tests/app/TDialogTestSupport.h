// SPDX-License-Identifier: MIT
#pragma once

// What the dialog tests share: controls found by their object names, a dialog shown for real
// (offscreen) so that focus and visibility are real, answers to a dialog shown with exec(),
// folders made for a test, the program's resources folder, and pictures of what a test shows.

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>

// The control of `window` named `name`. A missing control ends the test program: every check
// after it would be meaningless.
template <typename T>
T* Child(const QWidget& window, const char* name)
{
    T* child = window.findChild<T*>(QLatin1String(name));
    if (!child)
        qFatal("no control %s", name);
    return child;
}

// Shows `window` and waits until it is exposed and active.
inline void ShowActive(QWidget& window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

// True when the focus of `window` is on the control named `name` or inside it.
inline bool HasFocusWithin(const QWidget& window, const char* name)
{
    const QWidget* control = Child<QWidget>(window, name);
    const QWidget* focus = window.focusWidget();
    return focus && (focus == control || control->isAncestorOf(focus));
}

// Runs `act` once `dialog` is the active modal window, so that a test can answer a dialog
// shown with exec().
inline void WhenModal(QWidget* dialog, std::function<void()> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, dialog, act] {
        if (QApplication::activeModalWidget() != dialog)
            return;
        timer->stop();
        timer->deleteLater();
        act();
    });
    timer->start();
}

// Makes the folder `relative` (with the folders above it) inside `dir`; its path, or an empty
// text when it could not be made.
[[nodiscard]] inline QString MakeFolder(const QTemporaryDir& dir, const QString& relative)
{
    if (!dir.isValid() || !QDir(dir.path()).mkpath(relative))
        return QString();
    return dir.path() + QLatin1Char('/') + relative;
}

// The folder beside the executable that holds the program's pictures and help pages: in the
// tests, the source tree's resources folder; or the folder `below` inside it.
inline QString ResourcesPath(const QString& below = QString())
{
    QString path = qEnvironmentVariable("QUARNEL_TEST_DATA") + QStringLiteral("/../../resources");
    if (!below.isEmpty())
        path += QLatin1Char('/') + below;
    return QDir(path).absolutePath();
}

// The folder tree's model has read the top folder and sorted its entries: a picture taken now
// shows the tree as a person would see it.
inline bool FolderTreeIsFilled(const QAbstractItemModel* folders)
{
    const QModelIndex top = folders->index(0, 0);
    if (folders->rowCount(top) < 2)
        return false;
    for (int row = 1; row < folders->rowCount(top); ++row)
        if (folders->index(row - 1, 0, top).data().toString().compare(folders->index(row, 0, top).data().toString(),
                                                                       Qt::CaseInsensitive) > 0)
            return false;
    return true;
}

// The folder QUARNEL_SCREENSHOT_DIR names, where the tests save pictures of what they show, to
// be looked at as a person would; empty when it is not set.
inline QString ScreenshotFolder()
{
    return qEnvironmentVariable("QUARNEL_SCREENSHOT_DIR");
}

// Saves a picture of `widget` as `name`.png in the screenshot folder. True when it is saved, or
// when there is no screenshot folder.
[[nodiscard]] inline bool Snapshot(QWidget& widget, const QString& name)
{
    const QString dir = ScreenshotFolder();
    if (dir.isEmpty())
        return true;
    QDir().mkpath(dir);
    return widget.grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}
