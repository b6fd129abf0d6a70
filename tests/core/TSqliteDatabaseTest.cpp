// SPDX-License-Identifier: MIT
#include "model/TSqliteDatabase.h"

#include <sys/stat.h>

#include <fstream>

#include <gtest/gtest.h>

#include "support/TestDir.h"

namespace {

using TStep = TSqliteDatabase::TStatement::TStep;

TEST(TSqliteDatabase, StoresAndReadsBackTextBlobsAndNumbers)
{
    TestDir dir;
    const std::string path = dir.Path() + "/a.db";
    TSqliteDatabase db;
    ASSERT_TRUE(db.Open(path, TSqliteDatabase::TOpenMode::CreateIfMissing)) << db.Error();
    ASSERT_TRUE(db.Exec("CREATE TABLE t (n INTEGER, x REAL, s TEXT, b BLOB)"));
    const std::string bytes("a\0b\xff", 4);
    TSqliteDatabase::TStatement insert = db.Prepare("INSERT INTO t VALUES (?1, ?2, ?3, ?4)");
    ASSERT_TRUE(insert);
    ASSERT_TRUE(insert.Bind(1, std::int64_t{1} << 40).Bind(2, 2.5).BindText(3, "text").BindBlob(4, bytes).Run());
    insert.Reset();
    ASSERT_TRUE(insert.Bind(1, std::int64_t{0}).BindNull(2).BindText(3, "").BindBlob(4, "").Run());
    EXPECT_EQ(db.LastInsertId(), 2);

    TSqliteDatabase::TStatement query = db.Prepare("SELECT n, x, s, b, typeof(b) FROM t ORDER BY rowid");
    ASSERT_EQ(query.Step(), TStep::Row);
    EXPECT_EQ(query.Int(0), std::int64_t{1} << 40);
    EXPECT_EQ(query.Real(1), 2.5);
    EXPECT_EQ(query.Text(2), "text");
    EXPECT_EQ(query.Text(3), bytes);
    ASSERT_EQ(query.Step(), TStep::Row);
    EXPECT_TRUE(query.IsNull(1));
    EXPECT_EQ(query.Text(3), "");
    EXPECT_EQ(query.Text(4), "blob");
    EXPECT_EQ(query.Step(), TStep::Done);
}

TEST(TSqliteDatabase, NewFileIsPrivateAndVersioned)
{
    TestDir dir;
    const std::string path = dir.Path() + "/new.db";
    TSqliteDatabase db;
    ASSERT_TRUE(db.Open(path, TSqliteDatabase::TOpenMode::CreateIfMissing, 0600));
    EXPECT_EQ(db.UserVersion(), 0);
    ASSERT_TRUE(db.SetUserVersion(3));
    EXPECT_EQ(db.UserVersion(), 3);
    EXPECT_TRUE(db.QuickCheck());
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(TSqliteDatabase, FailuresAreReportedWithTheFileName)
{
    TestDir dir;
    TSqliteDatabase db;
    // Missing file, opened without creating it.
    EXPECT_FALSE(db.Open(dir.Path() + "/missing.db", TSqliteDatabase::TOpenMode::ReadWrite));
    EXPECT_NE(db.Error().find("missing.db"), std::string::npos);
    EXPECT_FALSE(db.IsOpen());

    // A file that is not a database is refused at Open.
    const std::string text = dir.Path() + "/text.db";
    dir.WriteFile("text.db", "this is not an SQLite file, only some text that is long enough to look like a header");
    EXPECT_FALSE(db.Open(text, TSqliteDatabase::TOpenMode::ReadOnly));
    EXPECT_TRUE(db.LastFailureWasCorrupt()) << db.Error();

    // A bad statement.
    ASSERT_TRUE(db.Open(dir.Path() + "/ok.db", TSqliteDatabase::TOpenMode::CreateIfMissing));
    EXPECT_FALSE(db.Prepare("SELEKT 1"));
    EXPECT_FALSE(db.Error().empty());
    EXPECT_FALSE(db.Exec("INSERT INTO nothing VALUES (1)"));
}

TEST(TSqliteDatabase, RollbackLeavesNothingBehind)
{
    TestDir dir;
    TSqliteDatabase db;
    ASSERT_TRUE(db.Open(dir.Path() + "/r.db", TSqliteDatabase::TOpenMode::CreateIfMissing));
    ASSERT_TRUE(db.Exec("CREATE TABLE t (n INTEGER)"));
    ASSERT_TRUE(db.Begin());
    ASSERT_TRUE(db.Exec("INSERT INTO t VALUES (1)"));
    db.Rollback();
    TSqliteDatabase::TStatement count = db.Prepare("SELECT count(*) FROM t");
    ASSERT_EQ(count.Step(), TStep::Row);
    EXPECT_EQ(count.Int(0), 0);
}

} // namespace
