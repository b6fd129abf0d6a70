#include <QtTest>

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include "dialogs/TDirPickDlg.h"
#include "dialogs/TFolderTree.h"

namespace {

// The tree has read the top folder and sorted its entries (screenshots only).
bool FolderTreeIsFilled(const QAbstractItemModel* folders)
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

} // namespace

class DirPickDlgTest : public QObject {
    Q_OBJECT

private slots:
    void followsTheHighlightedFolder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Mixed Case/Inner")));
        const QString inner = dir.path() + QStringLiteral("/Mixed Case/Inner");

        TDirPickDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Folder Selection"));
        // It starts on the process's current folder.
        QCOMPARE(dlg.CurrentPath(), QDir::currentPath());
        auto* tree = dlg.findChild<TFolderTree*>(QStringLiteral("DirPicker"));
        QVERIFY(tree);
        tree->SetPath(inner);
        // The path keeps its letter case: another case would name another folder here.
        QCOMPARE(dlg.CurrentPath(), inner);
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("CurrentPath"))->text(), inner);

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
        auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("OKBtn"));
        QVERIFY(ok->isDefault());
        ok->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        dlg.show();
        dlg.findChild<QPushButton*>(QStringLiteral("CancelBtn"))->click();
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        if (const QString dir = qEnvironmentVariable("QUARNEL_SCREENSHOT_DIR"); !dir.isEmpty()) {
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            const QAbstractItemModel* folders = dlg.findChild<TFolderTree*>(QStringLiteral("DirPicker"))->model();
            QTRY_VERIFY(FolderTreeIsFilled(folders));
            QVERIFY(dlg.grab().save(dir + QStringLiteral("/folder-selection.png")));
        }
    }
};

QTEST_MAIN(DirPickDlgTest)
#include "DirPickDlgTest.moc"
