#pragma once
// The application title: the caption of notices and error reports.
#include <QString>

// The title for an executable path: the file name (after the last "/"), cut
// before its first ".", every character after the first in lower case. The
// first character keeps its case, so "BATCHDEL.EXE" gives "Batchdel" and
// "my.tool.exe" gives "my".
QString ApplicationTitleFor(const QString &executablePath);
