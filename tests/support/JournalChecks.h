#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <gtest/gtest.h>

namespace k7::test {

// Runs one statement on the SQLite file `file` through a connection of its own, as another
// program holding the file would.
inline void RunOnFile(const QString& file, const QString& statement) {
    const QString connection = QStringLiteral("k7-test-side-connection");
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(file);
        ASSERT_TRUE(database.open());
        QSqlQuery query(database);
        EXPECT_TRUE(query.exec(statement)) << statement.toStdString();
        database.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

// Makes every later `when` (INSERT, UPDATE) of a write journal's entries fail, as a full disk or
// a file turned read-only does. A trigger rather than file modes: the tests may run as root, whom
// modes do not stop.
inline void RefuseJournalChanges(const QString& file, const char* when) {
    RunOnFile(file, QStringLiteral("CREATE TRIGGER refuse_%1 BEFORE %1 ON writes "
                                   "BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                        .arg(QString::fromLatin1(when)));
}

inline void AllowJournalChanges(const QString& file, const char* when) {
    RunOnFile(file, QStringLiteral("DROP TRIGGER refuse_%1").arg(QString::fromLatin1(when)));
}

} // namespace k7::test
