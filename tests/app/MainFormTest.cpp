#include <QtTest>

#include "mainwindow/TMainForm.h"
#include "model/TDateFormat.h"
#include "platform/TPlatformDates.h"

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithCaptionAndClosesCleanly()
    {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Quarnel 2.3 "));
        // Set QUARNEL_SCREENSHOT_DIR to look at the window as a person would.
        if (const QString dir = qEnvironmentVariable("QUARNEL_SCREENSHOT_DIR"); !dir.isEmpty())
            QVERIFY(form.grab().save(dir + QStringLiteral("/main-window.png")));
        QVERIFY(form.close());
        QVERIFY(!form.isVisible());
    }

    void dateFormatFollowsLocaleWithNumericMonthAndLongYear_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("en_GB") << "en_GB" << "07/03/2024";
        QTest::newRow("en_US two-digit year widened") << "en_US" << "3/7/2024";
        QTest::newRow("de_DE") << "de_DE" << "07.03.2024";
    }

    void dateFormatFollowsLocaleWithNumericMonthAndLongYear()
    {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        TPlatformDates::InstallProgramDateFormat(QLocale(locale));
        const std::string text = TDateFormat::Program().Format(TDateTime::FromYMD(2024, 3, 7));
        QCOMPARE(QString::fromStdString(text), expected);
        TDateTime back;
        QVERIFY(TDateFormat::Program().Parse(text, back));
        QCOMPARE(back.Value(), TDateTime::FromYMD(2024, 3, 7).Value());
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
