// SPDX-License-Identifier: MIT
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <QTreeView>
#include <QtTest>

#include <memory>

#include "mainwindow/TFileListModel.h"
#include "model/TDateFormat.h"
#include "model/TFileData.h"
#include "model/TFileList.h"
#include "adapters/TQtShellInfo.h"

namespace {

using C = TFileListColumns;

struct TRow {
    const char* Name;
    uint8_t FileType;
    const char* TypeName;
    const char* Folder;
    int Matches;
    int64_t Size;
    TDateTime Date;
    const char* ZipName; // null: not a ZIP member
    bool WithIcon;
};

const TRow Rows[] = {
    {"readme.txt", TFileData::Text, "Plain text document", "/home/ann/docs", 3, 1234,
     TDateTime::FromYMDHMS(2024, 3, 7, 13, 5, 9), nullptr, true},
    {"Makefile", TFileData::Text, "Makefile", "/home/ann/src", 12, 1234, TDateTime::FromYMD(2023, 11, 30), nullptr, true},
    {"logo.png", TFileData::Binary, "PNG image", "/home/ann/art", 1, 48213, TDateTime::FromYMDHMS(2022, 1, 2, 8, 0, 0),
     nullptr, false},
    {"notes.md", TFileData::Text, "Markdown document", "/tmp/~quarnel.t", 5, 310,
     TDateTime::FromYMDHMS(2021, 6, 1, 17, 45, 30), "/home/ann/backup.zip", true},
    {"caf\xe9.txt", TFileData::Text, "Plain text document", "/home/ann/docs", 2, 77,
     TDateTime::FromYMDHMS(2024, 3, 7, 9, 15, 0), nullptr, true},
};

std::unique_ptr<TFileData> MakeRecord(const TRow& row)
{
    TNullShellInfo shell;
    auto record = std::make_unique<TFileData>("/nonexistent-folder", row.Name, shell);
    record->FileName = row.Name;
    record->FileType = row.FileType;
    record->TypeName = row.TypeName;
    record->Folder = row.Folder;
    for (int i = 0; i < row.Matches; ++i)
        record->Matches.emplace_back(i + 1, 20, 1, 5);
    record->Size = row.Size;
    record->Date = row.Date;
    record->InZip = row.ZipName != nullptr;
    record->ZipName = row.ZipName ? row.ZipName : "";
    if (row.WithIcon)
        record->Icon = std::make_unique<TQtFileIcon>(QApplication::style()->standardIcon(QStyle::SP_FileIcon));
    return record;
}

QStringList Names(const TFileListModel& model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names << model.index(row, C::Name).data().toString();
    return names;
}

int VisiblePixels(const QIcon& icon)
{
    const QImage image = icon.pixmap(16).toImage().convertToFormat(QImage::Format_ARGB32);
    int visible = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            visible += qAlpha(image.pixel(x, y)) > 0;
    return visible;
}

} // namespace

class FileListModelTest : public QObject {
    Q_OBJECT

    TFileList Files;
    std::unique_ptr<TFileListModel> Model;
    std::unique_ptr<QAbstractItemModelTester> Tester;

    // Appends every record to the list and a row for it, as a search does.
    void Fill()
    {
        for (const TRow& row : Rows) {
            Files.Add(MakeRecord(row));
            Model->AddFileRow(Files.Item(Files.Count() - 1));
        }
    }

private slots:
    void initTestCase() { TDateFormat::SetProgram(TDateFormat(TDateFormat::Order::DayMonthYear, '/')); }

    void init()
    {
        Model = std::make_unique<TFileListModel>(Files);
        Tester = std::make_unique<QAbstractItemModelTester>(Model.get(),
                                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void cleanup()
    {
        Tester.reset();
        Model->Clear();
        Model.reset();
        Files.Clear();
    }

    void rowsShowTheRecords()
    {
        QSignalSpy inserted(Model.get(), &QAbstractItemModel::rowsInserted);
        Fill();
        QCOMPARE(inserted.count(), 5);
        QCOMPARE(Model->rowCount(), 5);
        QCOMPARE(Model->columnCount(), 7);

        const QStringList first = {"readme.txt", "T", "Plain text document", "/home/ann/docs", "3", "1234",
                                   "07/03/2024 13:05:09"};
        for (int column = 0; column < 7; ++column)
            QCOMPARE(Model->index(0, column).data().toString(), first[column]);
        QCOMPARE(Model->index(2, C::TextOrBinary).data().toString(), QString("B"));
        QCOMPARE(Model->index(1, C::DateTime).data().toString(), QString("30/11/2023"));
        // A ZIP member shows its archive; a name in an 8-bit code page is decoded, not dropped.
        QCOMPARE(Model->index(3, C::Folder).data().toString(), QString("/home/ann/backup.zip"));
        QCOMPARE(Model->index(4, C::Name).data().toString(), QString::fromUtf8("caf\xc3\xa9.txt"));

        // A file's icon has visible pixels; a file without one gets a transparent image, so that
        // its name still lines up with the others.
        QCOMPARE(VisiblePixels(Model->index(0, C::Name).data(Qt::DecorationRole).value<QIcon>()) > 0, true);
        QVERIFY(Model->index(2, C::Name).data(Qt::DecorationRole).isValid());
        QCOMPARE(VisiblePixels(Model->index(2, C::Name).data(Qt::DecorationRole).value<QIcon>()), 0);
        QVERIFY(!Model->index(0, C::Size).data(Qt::DecorationRole).isValid());

        for (int column = 0; column < 7; ++column) {
            const bool right = column == C::Matches || column == C::Size;
            const auto cell = Model->index(0, column).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
            const auto header = Model->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>();
            QCOMPARE(bool(cell & Qt::AlignRight), right);
            QCOMPARE(bool(header & Qt::AlignRight), right);
            QCOMPARE(Model->headerData(column, Qt::Horizontal).toString(),
                     QString::fromUtf8(C::Caption(column).data(), C::Caption(column).size()));
        }

        for (int row = 0; row < 5; ++row) {
            QCOMPARE(Model->FileAt(row), &Files.Item(row));
            QCOMPARE(TFileListModel::FileOf(Model->index(row, C::Size)), &Files.Item(row));
            QCOMPARE(Model->RowOf(&Files.Item(row)), row);
        }
        QCOMPARE(Model->FileAt(5), nullptr);
        QCOMPARE(Model->RowOf(nullptr), -1);
        QCOMPARE(TFileListModel::FileOf(QModelIndex()), nullptr);
    }

    void sortingByClicks_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<bool>("descending");
        QTest::newRow("size: largest first, equal sizes by name")
            << QList<int>{C::BySize} << QStringList{"logo.png", "Makefile", "readme.txt", "notes.md", "caf\u00e9.txt"}
            << false;
        QTest::newRow("size twice: smallest first, equal sizes still by name")
            << QList<int>{C::BySize, C::BySize}
            << QStringList{"caf\u00e9.txt", "notes.md", "Makefile", "readme.txt", "logo.png"} << true;
        QTest::newRow("name then size starts largest first")
            << QList<int>{C::ByName, C::ByName, C::BySize}
            << QStringList{"logo.png", "Makefile", "readme.txt", "notes.md", "caf\u00e9.txt"} << false;
        QTest::newRow("name ignores case")
            << QList<int>{C::ByName} << QStringList{"caf\u00e9.txt", "logo.png", "Makefile", "notes.md", "readme.txt"}
            << false;
        QTest::newRow("folder: the ZIP member sorts by its extraction folder")
            << QList<int>{C::ByFolder}
            << QStringList{"logo.png", "caf\u00e9.txt", "readme.txt", "Makefile", "notes.md"} << false;
        QTest::newRow("date: newest first")
            << QList<int>{C::ByDate} << QStringList{"readme.txt", "caf\u00e9.txt", "Makefile", "logo.png", "notes.md"}
            << false;
        QTest::newRow("T: binary first") << QList<int>{C::ByFileType}
                                         << QStringList{"logo.png", "caf\u00e9.txt", "Makefile", "notes.md", "readme.txt"}
                                         << false;
        QTest::newRow("matches twice: fewest first")
            << QList<int>{C::ByMatchCount, C::ByMatchCount}
            << QStringList{"logo.png", "caf\u00e9.txt", "readme.txt", "notes.md", "Makefile"} << true;
        QTest::newRow("an unknown key changes nothing")
            << QList<int>{0, 8} << QStringList{"readme.txt", "Makefile", "logo.png", "notes.md", "caf\u00e9.txt"} << false;
    }

    void sortingByClicks()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QStringList, order);
        QFETCH(bool, descending);
        Fill();
        for (int key : keys)
            Model->SortFileList(key);
        QCOMPARE(Names(*Model), order);
        QCOMPARE(Model->SortDescending(), descending);
        // The rows mirror the list, which was sorted itself.
        QCOMPARE(Model->rowCount(), int(Files.Count()));
        for (int row = 0; row < Model->rowCount(); ++row)
            QCOMPARE(Model->FileAt(row), &Files.Item(row));
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    void sortStateOutlivesANewSearch()
    {
        Fill();
        Model->SortFileList(C::BySize);
        QVERIFY(!Model->SortDescending());

        // A new search empties the rows and the list, then finds the files again in its own order.
        Model->Clear();
        Files.Clear();
        QCOMPARE(Model->rowCount(), 0);
        Fill();
        QCOMPARE(Names(*Model).first(), QString("readme.txt"));
        QCOMPARE(Model->SortColumn(), int(C::BySize));

        // Clicking the column used last reverses the direction used last.
        Model->SortFileList(C::BySize);
        QVERIFY(Model->SortDescending());
        QCOMPARE(Names(*Model).first(), QString("caf\u00e9.txt"));
    }

    void viewKeepsTheSelectedFileAndRenders()
    {
        Fill();
        QTreeView view;
        view.setRootIsDecorated(false);
        view.setUniformRowHeights(true);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.setModel(Model.get());
        view.header()->setSectionsMovable(true);
        view.header()->setStretchLastSection(true);
        for (int column = 0; column < C::StoredColumnCount; ++column)
            view.header()->resizeSection(column, C::InitialWidth(column));
        view.header()->resizeSection(C::Name, 110);
        view.resize(760, 170);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        view.setCurrentIndex(Model->index(1, 0));
        const TFileData* selected = TFileListModel::FileOf(view.currentIndex());
        QCOMPARE(selected->FileName, std::string("Makefile"));

        // What the column click does around the sort: find the remembered record's new row.
        Model->SortFileList(C::BySize);
        const int row = Model->RowOf(selected);
        QCOMPARE(row, 1);
        view.setCurrentIndex(Model->index(row, 0));
        view.header()->setSortIndicatorShown(true);
        view.header()->setSortIndicator(C::Size, Qt::DescendingOrder);
        QCOMPARE(TFileListModel::FileOf(view.selectionModel()->selectedRows().value(0)), selected);

        const QImage image = view.grab().toImage();
        QVERIFY(!image.isNull());
        QVERIFY(image.save("/tmp/filelist.png"));
    }
};

QTEST_MAIN(FileListModelTest)
#include "FileListModelTest.moc"
