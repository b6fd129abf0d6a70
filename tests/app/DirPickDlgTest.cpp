// SPDX-License-Identifier: MIT
#include <QtTest>

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include "dialogs/TDirPickDlg.h"
#include "dialogs/TFolderTree.h"

#include "TDialogTestSupport.h"

class DirPickDlgTest : public QObject {
    Q_OBJECT

private slots:
    void followsTheHighlightedFolder()
    {
        QTemporaryDir dir;
        const QString inner = MakeFolder(dir, QStringLiteral("Mixed Case/Inner"));
        QVERIFY(!inner.isEmpty());

        TDirPickDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Folder Selection"));
        // It starts on the process's current folder.
        QCOMPARE(dlg.CurrentPath(), QDir::currentPath());
        Child<TFolderTree>(dlg, "DirPicker")->SetPath(inner);
        // The path keeps its letter case: another case would name another folder here.
        QCOMPARE(dlg.CurrentPath(), inner);
        QCOMPARE(Child<QLabel>(dlg, "CurrentPath")->text(), inner);

        // A folder that has gone leaves the tree on the nearest one above it.
        dlg.SetPath(inner + QStringLiteral("/gone/deeper"));
        QCOMPARE(dlg.CurrentPath(), inner);

        dlg.DrivePickerChange(QDir::rootPath());
        QCOMPARE(dlg.CurrentPath(), QDir::rootPath());
    }

    void okAndCancel()
    {
        TDirPickDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* ok = Child<QPushButton>(dlg, "OKBtn");
        QVERIFY(ok->isDefault());
        ok->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        dlg.show();
        Child<QPushButton>(dlg, "CancelBtn")->click();
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        if (!ScreenshotFolder().isEmpty()) {
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QTRY_VERIFY(FolderTreeIsFilled(Child<TFolderTree>(dlg, "DirPicker")->model()));
            QVERIFY(Snapshot(dlg, QStringLiteral("folder-selection")));
        }
    }
};

QTEST_MAIN(DirPickDlgTest)
#include "DirPickDlgTest.moc"
