// SPDX-License-Identifier: MIT
#include <QTemporaryDir>
#include <QtTest>

#include "adapters/TQtShellInfo.h"

class QtShellInfoTest : public QObject {
    Q_OBJECT

private slots:
    void typeNamesAndIcons()
    {
        QTemporaryDir dir;
        const std::string text = (dir.path() + "/notes.txt").toStdString();
        const std::string html = (dir.path() + "/page.html").toStdString();
        TQtShellInfo shell;
        QVERIFY(!shell.TypeName(text).empty());
        QVERIFY(shell.TypeName(text) != shell.TypeName(html));
        QVERIFY(shell.TypeName(text).size() <= 79 * 4);
        auto icon = shell.Icon(text);
        QVERIFY(icon != nullptr);
        QVERIFY(dynamic_cast<TQtFileIcon*>(icon.get()) != nullptr);
    }
};

QTEST_MAIN(QtShellInfoTest)
#include "QtShellInfoTest.moc"
