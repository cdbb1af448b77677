#pragma once
// Writes that fail on purpose, as on a full disk. The harness's file layer
// (SqliteFileLayer.h), made the default for the connections opened after
// install(), passes everything through, except writes to a chosen file while
// a `FailingWrites` lives: those fail with SQLITE_FULL ("database or disk is
// full"). A connection writes only to the files it has to, so one file picks
// one writer: the database file itself, in write-ahead mode, is written only
// by folding the log into it.
//
//   corvantis::test::FailingWrites::install();   // before the connections open
//   { corvantis::test::FailingWrites full(databasePath); ... }

#include <QString>

namespace corvantis::test {

class FailingWrites {
public:
    // Writes to `path` fail, through the handles that are its `fromOpening`th
    // opening or a later one (counted since install; 1: every handle).
    explicit FailingWrites(const QString &path, int fromOpening = 1);
    ~FailingWrites();   // writes work again
    FailingWrites(const FailingWrites &) = delete;
    FailingWrites &operator=(const FailingWrites &) = delete;

    static void install();
    // How many times SQLite opened `path` since install.
    static int openings(const QString &path);
    // How many writes failed on purpose since install.
    static int failed();
};

} // namespace corvantis::test
