#pragma once

#include <QString>

// Offices that used the former client keep their local database as a Jet
// (Access) file. Read through a copy, it takes no change; so it is turned,
// once, into the program's own SQLite local database, with every table and
// every row it holds.
//
// The new database is built under a temporary name and checked table by
// table against the file's row counts; the original is copied to a backup
// name that never replaces an earlier backup ("UploadCliente.mdb.access",
// then ".access.1", ...); only then does the new file take the original's
// name, in one step. A crash at any point leaves either the untouched
// original or the finished conversion. The caller holds the program
// folder's lock.

// Converts the local database at the host path `caminho` when it is a Jet
// file. Returns the backup's path, or empty text when the file is not a Jet
// file (nothing to do). Raises ErroTavo, the original untouched, when the
// conversion cannot be made.
QString converteBancoLocal(const QString &caminho);
