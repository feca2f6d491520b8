#pragma once
// Reading the CIS file into the line store, and finding it on disk. The
// decoding and cutting of its bytes: core/cis_decoding.h.
#include "core/cis_decoding.h"
#include "core/cis_store.h"

#include <QString>

#include <functional>

// Replaces the content of `store` by the lines of the file at `path`.
// Throws AppError "Impossible d'ouvrir le fichier \"%s\". %s" when the file
// cannot be opened, "Impossible d'insérer une ligne" when memory runs out
// (the store then keeps the lines appended so far).
void LoadCisLines(CisStore &store, const QString &path);
// Test seam: runs `hook` once the file is open and its size and date taken,
// before the lock and the read; an empty function removes it. Lets a test
// change the file at the worst moment.
void SetLoadBeforeLockHookForTesting(std::function<void()> hook);

// Existence test used by the start-up location (links followed).
bool CisFileExists(const QString &path);

// Finds "cis.txt" in `dir` without regard to letter case; returns the full
// path of the entry found, or dir + "cis.txt" when none matches.
QString FindCisTxtIn(const QString &dir);
